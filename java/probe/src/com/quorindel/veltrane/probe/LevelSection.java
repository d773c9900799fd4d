package com.quorindel.veltrane.probe;

import java.io.IOException;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

/**
 * The signal level meter on a recording: 8-bit signed samples from the file named by
 * VELTRANE_AUDIO, or samples/audio-speech-8k.s8 in the current folder, through g501 of
 * com.quorindel.veltrane.E.A.A. The level runs from 0 (a root mean square of 127) to 5
 * (silence).
 */
public final class LevelSection implements Section {
    static final String AUDIO_VARIABLE = "VELTRANE_AUDIO";
    private static final String DEFAULT_AUDIO = "samples/audio-speech-8k.s8";
    private static final String METER_CLASS = "com.quorindel.veltrane.E.A.A";

    @SuppressWarnings("unused")
    private final Environment environment;

    LevelSection(Environment environment) {
        this.environment = environment;
    }

    @Override
    public SectionReport run() throws ProbeFailure {
        SectionReport report = new SectionReport("level", "Signal level meter");
        String named = System.getenv(AUDIO_VARIABLE);
        Path file = Paths.get(named == null || named.isEmpty() ? DEFAULT_AUDIO : named);
        report.fact("file", file.toString()).fact("level", null);
        if (!Files.isRegularFile(file)) {
            if (named != null && !named.isEmpty()) {
                return report.fail("The audio file " + file + " (" + AUDIO_VARIABLE
                        + ") does not exist or is not a file.");
            }
            return report.note("No audio to measure: set " + AUDIO_VARIABLE
                    + " to a file of 8-bit signed samples.");
        }
        byte[] samples;
        try {
            samples = Files.readAllBytes(file);
        } catch (IOException e) {
            return report.fail("The audio file " + file + " cannot be read: " + e.getMessage());
        }
        float level = level(samples);
        report.text("file", file.toString());
        report.number("samples", samples.length, Integer.toString(samples.length));
        report.number("level", level, Float.toString(level));
        report.fact("level", level);
        report.note("Level " + level + " over " + samples.length + " samples (0 loudest, 5 silence).");
        return report;
    }

    private static float level(byte[] samples) throws ProbeFailure {
        try {
            Method g501 = Class.forName(METER_CLASS).getMethod("g501", byte[].class, int.class);
            return (Float) g501.invoke(null, samples, samples.length);
        } catch (InvocationTargetException e) {
            throw new ProbeFailure("g501 failed: " + e.getCause());
        } catch (ReflectiveOperationException e) {
            throw new ProbeFailure("the class path lacks " + METER_CLASS
                    + ".g501 (veltrane-api.jar beside veltrane-probe.jar): " + e);
        }
    }
}
