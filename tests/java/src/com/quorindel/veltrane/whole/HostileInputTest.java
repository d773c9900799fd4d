package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import java.util.Arrays;
import org.junit.jupiter.api.Test;

/**
 * Every native method fed what a careless or hostile caller can give, in the real JVM:
 * null for every reference, the extreme ints, odd and huge strings, a huge array with
 * counts beyond it. What each call answers is checked by the unit tests; here -Xcheck:jni
 * watches that none of them misuses JNI or leaves an exception pending, and no call throws.
 */
class HostileInputTest {
    private static final int[] CODES = {Integer.MIN_VALUE, -1, 0, 1, 36, Integer.MAX_VALUE};
    private static final String[] STRINGS = {null, "", "\uD800", "a\uDC00z", "ab\u0000cd",
                                             "x".repeat(100_000)};
    private static final String[][] INT_METHODS = {
        {"E", "g101"}, {"D.B", "g102"}, {"D.A", "g103"}, {"I.C", "g104"}, {"I.H", "g105"},
        {"I.G", "g106"}, {"I.D", "g107"}, {"I.B", "g108"}, {"A.B", "g110"}, {"A.A", "g111"},
        {"I.F", "g112"}, {"E.B.E", "g113"}, {"J.D", "g301"}, {"E.B.D", "g401"}, {"E.B.D", "g402"}};

    @Test
    void everyMethodTakesHostileArguments() {
        for (String[] m : INT_METHODS) {
            for (int code : CODES) Natives.call(m[0], m[1], code);
        }
        for (String s : STRINGS) {
            for (int code : CODES) Natives.call("F.C", "g109", s, code);
            Natives.call("J.D", "g201", s);
            Natives.call("J.D", "g202", s);
        }
        for (int count : CODES) {
            Natives.call("E.A.A", "g501", null, count);
            Natives.call("E.A.A", "g501", new byte[0], count);
        }
    }

    @Test
    void levelMeterReadsAHugeArrayNoFurtherThanItsEndAndNeverWritesIt() {
        byte[] huge = new byte[64 << 20];
        Arrays.fill(huge, (byte) 100);
        byte[] copy = huge.clone();
        float whole = Natives.call("E.A.A", "g501", huge, huge.length);
        assertEquals(whole, (float) Natives.call("E.A.A", "g501", huge, Integer.MAX_VALUE));
        assertArrayEquals(copy, huge);
    }
}
