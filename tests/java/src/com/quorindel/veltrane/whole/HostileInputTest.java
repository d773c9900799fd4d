package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;

import com.quorindel.veltrane.testing.Natives;
import java.util.Arrays;
import org.junit.jupiter.api.Test;

/**
 * Every native method fed what a careless or hostile caller can give: null for every
 * reference, the extreme and the off-by-one ints, empty and huge arrays with counts below,
 * at and beyond their length, strings with unpaired surrogates and embedded NULs. Each call
 * must return its documented result; -Xcheck:jni watches that no exception is left pending.
 */
class HostileInputTest {
    private static final int[] BAD_CODES = {Integer.MIN_VALUE, -1, 0, Integer.MAX_VALUE};
    private static final String[] ODD_STRINGS = {null, "", "\uD800", "a\uDC00z", "ab\u0000cd",
                                                 "x".repeat(100_000)};

    /** Catalogue methods with the number of their last statement. */
    private static final Object[][] CATALOGUE = {
        {"E", "g101", 4}, {"D.B", "g102", 5}, {"D.A", "g103", 8}, {"I.C", "g104", 5},
        {"I.H", "g105", 8}, {"I.G", "g106", 7}, {"I.D", "g107", 10}, {"I.B", "g108", 7},
        {"A.B", "g110", 7}, {"A.A", "g111", 6}, {"I.F", "g112", 6}, {"E.B.E", "g113", 5}};

    @Test
    void catalogueCodesOutsideEveryListGiveNull() {
        for (Object[] m : CATALOGUE) {
            String cls = (String) m[0], name = (String) m[1];
            int last = (Integer) m[2];
            for (int code : BAD_CODES) assertNull(Natives.call(cls, name, code), name + " " + code);
            assertNull(Natives.call(cls, name, last + 1), name + " " + (last + 1));
            assertNotNull(Natives.call(cls, name, last), name + " " + last);
        }
        for (int code : BAD_CODES) assertNull(Natives.call("F.C", "g109", null, code));
        assertNull(Natives.call("F.C", "g109", "", 5));
    }

    @Test
    void stringArgumentsAreIgnoredWhateverTheyHold() {
        String statement = Natives.call("F.C", "g109", "x", 3);
        String user = Natives.call("J.D", "g201", "x");
        String password = Natives.call("J.D", "g202", "x");
        assertFalse(user.isEmpty());
        assertFalse(password.isEmpty());
        for (String odd : ODD_STRINGS) {
            assertEquals(statement, Natives.call("F.C", "g109", odd, 3));
            assertEquals(user, Natives.call("J.D", "g201", odd));
            assertEquals(password, Natives.call("J.D", "g202", odd));
        }
    }

    @Test
    void tokenTableAnswersEveryCodeWithTheDefault() {
        for (int code : BAD_CODES) assertEquals("!@#$%", Natives.call("J.D", "g301", code));
        assertEquals("!@#$%", Natives.call("J.D", "g301", 10));
    }

    @Test
    void profileQueriesGiveNullForCodesTheyDoNotServe() {
        for (int code : new int[] {Integer.MIN_VALUE, -1, 0, 7, 18, 30, 35, 36, Integer.MAX_VALUE}) {
            assertNull(Natives.call("E.B.D", "g401", code), "g401 " + code);
        }
        for (int code : new int[] {Integer.MIN_VALUE, -1, 0, 1, 6, 19, 29, 36, Integer.MAX_VALUE}) {
            assertNull(Natives.call("E.B.D", "g402", code), "g402 " + code);
        }
    }

    private static float level(byte[] samples, int count) {
        return Natives.call("E.A.A", "g501", samples, count);
    }

    @Test
    void levelMeterTakesAnyArrayAndCountSafely() {
        for (int count : new int[] {Integer.MIN_VALUE, -1, 0, 1, Integer.MAX_VALUE}) {
            assertEquals(5.0f, level(null, count), "null array, count " + count);
            assertEquals(5.0f, level(new byte[0], count), "empty array, count " + count);
        }
        byte[] huge = new byte[64 << 20];
        Arrays.fill(huge, (byte) 100);
        byte[] copy = huge.clone();
        float whole = level(huge, huge.length);
        assertEquals(whole, level(huge, huge.length + 1));
        assertEquals(whole, level(huge, Integer.MAX_VALUE));
        assertEquals(5.0f, level(huge, -1));
        assertEquals(level(huge, 1000), level(Arrays.copyOf(huge, 1000), 1000));
        assertArrayEquals(copy, huge, "the meter must not write to the array");
    }
}
