package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.ChildJvm;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The sample INF through veltrane-inf2reg, then the registry file it writes through the
 * library in a fresh JVM: every field of the profile as the sample's AddReg lines give it.
 */
class InfProfileTest {
    @TempDir Path dir;

    private static String list(String... entries) {
        List<String> parts = new ArrayList<>();
        parts.add("list");
        for (String entry : entries) parts.add(ProfileQueryMain.hex(entry));
        return String.join(" ", parts);
    }

    private static String text(String value) {
        return "text " + ProfileQueryMain.hex(value);
    }

    @Test
    void theSampleInfGivesTheProfileItsAddRegLinesWrite() throws Exception {
        Path tool = Path.of(System.getProperty("veltrane.build.dir"), "bin", "veltrane-inf2reg");
        Path inf = Path.of(System.getProperty("veltrane.source.dir"), "samples",
                           "quorindel-voicelink-usb.inf");
        Path reg = dir.resolve("m.reg");
        Process process = new ProcessBuilder(tool.toString(), inf.toString(), "--port",
                                             "/dev/ttyACM0", "-o", reg.toString())
                                  .redirectErrorStream(true).start();
        String said = new String(process.getInputStream().readAllBytes());
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "veltrane-inf2reg hangs");
        assertEquals(0, process.exitValue(), said);
        assertTrue(Files.isRegularFile(reg), said);

        ChildJvm.Result result = ChildJvm.run(dir, Map.of("VELTRANE_REGISTRY", reg.toString()),
                                              "com.quorindel.veltrane.modem.ProfileQueryMain");
        assertEquals(0, result.exitCode(), result.output());
        Map<String, String> answers = new HashMap<>();
        for (String line : result.output().split("\n")) {
            String[] words = line.trim().split(" ", 3);
            if (words.length == 3) answers.put(words[1] + " " + words[0], words[2]);
        }

        // Codes of g401 (lists) and g402 (texts), from [VL.Common], [VL.Voice] and, through
        // Needs, [VL.Speaker.AddReg] of the amd64 Windows 10 model USB\VID_1D7A&PID_0571.
        Map<String, String> expected = new HashMap<>();
        expected.put("g401 1", list("AT#VTS=<Digit><cr>"));
        expected.put("g401 2", list("ATH0<cr>", "AT#CLS=0<cr>"));
        expected.put("g401 3", list("AT<cr>", "AT&F1<cr>", "ATE0V1&C1&D2S0=0<cr>", "AT#CID=1<cr>"));
        expected.put("g401 4", list("AT#VSM=130,8000<cr>"));
        expected.put("g401 5", list("AT#VSM=130,8000<cr>", "AT#VSD=1<cr>"));
        expected.put("g401 6", list("ATS0=0<cr>", ""));
        expected.put("g402 7", text("S7=<#>"));
        expected.put("g402 8", text("D"));
        expected.put("g402 9", text(";"));
        expected.put("g402 10", text("AT"));
        expected.put("g402 11", text("M1"));
        expected.put("g402 12", text("M0"));
        expected.put("g402 13", text("M2"));
        expected.put("g402 14", text("M3"));
        expected.put("g402 15", text("L3"));
        expected.put("g402 16", text("L1"));
        expected.put("g402 17", text("L2"));
        expected.put("g402 18", text("T"));
        expected.put("g401 19", list("AT#SPK=0,0,0<cr>"));
        expected.put("g401 20", list("AT#CLS=8<cr>", "AT#VLS=6<cr>", "AT#SPK=1,<Gain>,<Volume><cr>"));
        expected.put("g401 21", list("AT#SPK=0,<Gain>,<Volume><cr>"));
        expected.put("g401 22", list("AT#SPK=,<Gain>,<Volume><cr>"));
        expected.put("g401 23", list("AT#SPK=1,<Gain>,<Volume><cr>"));
        expected.put("g401 24", list("AT#VLS=0<cr>", "AT#VTX<cr>"));
        expected.put("g401 25", list("AT#VLS=0<cr>", "AT#VRX<cr>"));
        expected.put("g401 26", list("<h10><h03>"));
        expected.put("g401 27", list("<h10><h21>", "AT<cr>"));
        expected.put("g401 28", list("AT#CLS=8<cr>", "AT#VLS=0<cr>", "ATA<cr>"));
        expected.put("g401 29", list("AT#CLS=8<cr>", "AT#VRA=45<cr>", "AT#VLS=0<cr>"));
        expected.put("g402 30", text("/dev/ttyACM0"));
        expected.put("g402 31", text("Quorindel Telecom"));
        expected.put("g402 32", text("Quorindel VoiceLink 56K USB Voice Modem"));
        expected.put("g402 33", text("ATZ<cr>"));
        expected.put("g402 34", text("<h10><h03>"));
        expected.put("g402 35", text("<h10><h21>"));
        for (Map.Entry<String, String> field : expected.entrySet()) {
            assertEquals(field.getValue(), answers.get(field.getKey()), field.getKey());
        }
    }
}
