package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;

import com.quorindel.veltrane.testing.Natives;
import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** What veltrane-inf2reg writes from the sample INF, read by the library: every field. */
class InfProfileTest {
    @Test
    void theSampleInfGivesEveryFieldItsAddRegLinesWrite() throws Exception {
        for (String[] f : Natives.rows("profile/quorindel-voicelink-usb.tsv")) {
            Object got = Natives.call(f[1], Integer.parseInt(f[0]));
            String[] answer = got instanceof String[] list ? list : new String[] {(String) got};
            assertArrayEquals(Arrays.copyOfRange(f, 3, f.length), answer, f[2]);
        }
    }
}
