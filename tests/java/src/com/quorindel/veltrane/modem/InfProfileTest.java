package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;

import com.quorindel.veltrane.testing.Natives;
import java.util.Arrays;
import org.junit.jupiter.api.Test;

/**
 * The registry file veltrane-inf2reg writes from the sample INF (CTest runs the tool first
 * and names its output in VELTRANE_REGISTRY), read by the library: every field of the
 * profile as the sample's AddReg lines give it.
 */
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
