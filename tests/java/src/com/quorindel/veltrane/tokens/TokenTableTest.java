package com.quorindel.veltrane.tokens;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import org.junit.jupiter.api.Test;

class TokenTableTest {
    private static String token(int code) {
        return Natives.call("J.D", "g301", code);
    }

    @Test
    void codesOneToNineInOrder() {
        String[] expected = {"H", "T", "M", "O", "O#", "V", "V#", "VALUE", "ERROR"};
        int[] lengths = {1, 1, 1, 1, 2, 1, 2, 5, 5};
        for (int code = 1; code <= 9; code++) {
            assertEquals(expected[code - 1], token(code));
            assertEquals(lengths[code - 1], token(code).length());
        }
    }

    @Test
    void everyOtherCodeGivesTheDefault() {
        for (int code : new int[] {0, -1, 10, Integer.MAX_VALUE, Integer.MIN_VALUE}) {
            assertEquals("!@#$%", token(code), "code " + code);
        }
    }
}
