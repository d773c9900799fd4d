package com.quorindel.veltrane.level;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import java.util.Arrays;
import java.util.Random;
import org.junit.jupiter.api.Test;

/** g501 in a real JVM: figures compared as bits, never with a tolerance. */
class LevelMeterTest {
    private static float level(byte[] samples, int count) {
        return Natives.call("E.A.A", "g501", samples, count);
    }

    private static byte[] repeated(int value, int count) {
        byte[] bytes = new byte[count];
        Arrays.fill(bytes, (byte) value);
        return bytes;
    }

    private static void assertBits(float expected, float actual, String what) {
        assertEquals(Float.floatToRawIntBits(expected), Float.floatToRawIntBits(actual),
                what + ": " + actual + " instead of " + expected);
    }

    @Test
    void knownFigures() {
        assertBits(5.0f, level(repeated(0, 8), 8), "8 x 0");
        assertBits(0.0f, level(repeated(0x7F, 8), 8), "8 x 0x7F");
        assertBits(0.0f, level(repeated(0x81, 8), 8), "8 x 0x81");
        assertBits(0.039370079f, level(repeated(0x80, 8), 8), "8 x 0x80");
        assertBits(4.860806f, level(new byte[] {0x03, (byte) 0xFC}, 2), "3, -4");
        assertBits(2.480315f, level(new byte[] {0x40}, 1), "64");
        assertBits(4.9606299f, level(repeated(0xFF, 4), 4), "4 x -1");
        assertBits(1.0629921f, level(repeated(100, 10), 10), "10 x 100");
        assertBits(0.000074491727f, level(repeated(127, 2000), 2000), "2000 x 127");
    }

    @Test
    void onlyTheFirstCountBytesCountAndNoneBeyondTheArray() {
        byte[] bytes = {3, -4, 127, 127, 127};
        assertBits(4.860806f, level(bytes, 2), "first two of five");
        assertBits(4.860806f, level(new byte[] {3, -4}, 3), "count past the end");
        assertBits(4.860806f, level(new byte[] {3, -4}, Integer.MAX_VALUE), "largest count");
        assertArrayEquals(new byte[] {3, -4, 127, 127, 127}, bytes);
    }

    @Test
    void nothingToReadIsSilence() {
        assertBits(5.0f, level(new byte[] {100}, 0), "count 0");
        assertBits(5.0f, level(new byte[] {100}, -1), "count -1");
        assertBits(5.0f, level(new byte[0], 4), "empty array");
        assertBits(5.0f, level(null, 8), "null array");
    }

    @Test
    void randomBuffersMatchTheJavaSteps() {
        Random random = new Random(31);
        for (int round = 0; round < 200; round++) {
            int amplitude = 1 + random.nextInt(128);
            byte[] bytes = new byte[1 + random.nextInt(round < 20 ? 400_000 : 20_000)];
            for (int i = 0; i < bytes.length; i++) {
                bytes[i] = (byte) Math.max(-128, Math.min(127, random.nextInt(2 * amplitude + 1) - amplitude));
            }
            int count = random.nextInt(4) == 0 ? random.nextInt(bytes.length + 1) : bytes.length;
            float expected = count == 0 ? 5.0f : LevelReference.level(bytes, count);
            assertBits(expected, level(bytes, count), "round " + round + ", " + count + " bytes");
        }
    }

    @Test
    void fullScaleAcrossTwoToTheTwentyFour() {
        for (int length = 1000; length <= 1100; length++) {
            assertBits(LevelReference.level(repeated(-128, length), length),
                    level(repeated(-128, length), length), length + " x -128");
        }
    }
}
