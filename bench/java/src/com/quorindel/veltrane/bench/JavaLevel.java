package com.quorindel.veltrane.bench;

/** The level figure in plain Java, each step rounded to float in turn. */
final class JavaLevel {
    private JavaLevel() {}

    static float level(byte[] samples, int count) {
        if (count <= 0) return 5.0f;
        float sum = 0.0f;
        for (int i = 0; i < count; i++) {
            int s = samples[i];
            sum = sum + (float) (s * s);
        }
        float mean = (float) ((double) sum / (double) count);
        float rms = (float) Math.sqrt(mean);
        float deviation = (float) ((127.0 - rms) / 127.0);
        if (deviation < 0.0f) deviation = deviation * -1.0f;
        return (float) (deviation * 5.0);
    }
}
