package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.ChildJvm;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * g401 and g402 in a real JVM, each run in a child JVM that loads the library with its own
 * registry: the sample machine, a fixture with non-ASCII text, and none at all.
 */
class ProfileQueryTest {
    private static final String MAIN = "com.quorindel.veltrane.modem.ProfileQueryMain";

    @TempDir Path dir;

    private static Path source(String relative) {
        return Path.of(System.getProperty("veltrane.source.dir")).resolve(relative);
    }

    /** What the child printed for each method and code: "g401 3" -> "list ...". */
    private Map<String, String> run(String registry, String... args) {
        return run(registry == null ? null : source(registry), args);
    }

    private Map<String, String> run(Path registry, String... args) {
        Map<String, String> environment = new HashMap<>();
        // An empty value is the same as no variable for the library.
        environment.put("VELTRANE_REGISTRY", registry == null ? "" : registry.toString());
        ChildJvm.Result result = ChildJvm.run(dir, environment, MAIN, args);
        assertEquals(0, result.exitCode(), result.output());
        Map<String, String> answers = new HashMap<>();
        for (String line : result.output().split("\n")) {
            String[] words = line.trim().split(" ", 3);
            if (words.length == 3 && words[1].startsWith("g40")) {
                answers.put(words[1] + " " + words[0], words[2]);
            } else if (line.startsWith("threads")) {
                answers.put("threads", line.trim());
            }
        }
        assertEquals(2 * (ProfileQueryMain.LAST_CODE - ProfileQueryMain.FIRST_CODE + 1)
                             + (args.length > 0 ? 1 : 0),
                     answers.size(), result.output());
        return answers;
    }

    private static boolean isList(int code) {
        return code >= 1 && code <= 6 || code >= 19 && code <= 29;
    }

    private static String list(String... entries) {
        List<String> parts = new ArrayList<>();
        parts.add("list");
        for (String entry : entries) parts.add(ProfileQueryMain.hex(entry));
        return String.join(" ", parts);
    }

    private static String text(String value) {
        return "text " + ProfileQueryMain.hex(value);
    }

    /** Codes a method does not serve give null: -1, 0, 36, 37 and the other method's. */
    private static void assertUnservedCodesGiveNull(Map<String, String> answers) {
        for (int code = ProfileQueryMain.FIRST_CODE; code <= ProfileQueryMain.LAST_CODE; code++) {
            boolean served = code >= 1 && code <= 35;
            if (!served || !isList(code)) assertEquals("null", answers.get("g401 " + code), "g401 " + code);
            if (!served || isList(code)) assertEquals("null", answers.get("g402 " + code), "g402 " + code);
        }
    }

    @Test
    void theSampleMachineGivesEveryFieldByItsCodeFromEightThreadsAtOnce() {
        Map<String, String> answers = run("samples/quorindel-voicelink.reg", "threads");
        assertEquals("threads mismatches 0", answers.get("threads"));
        assertUnservedCodesGiveNull(answers);
        Map<Integer, String> expected = new HashMap<>();
        expected.put(1, list("AT#VTS=<Digit><cr>"));
        expected.put(2, list("ATH0<cr>", "AT#CLS=0<cr>"));
        expected.put(3, list("AT<cr>", "AT&FE0V1&C1&D2S0=0<cr>", "AT#CID=1<cr>", "AT#BDR=0<cr>"));
        expected.put(4, list("AT#VSM=129,8000<cr>", "AT#VBS=8<cr>"));
        expected.put(5, list("AT#VSM=129,8000<cr>", "AT#VBS=8<cr>", "AT#VSD=1<cr>"));
        expected.put(6, list("ATS0=0<cr>", ""));
        expected.put(7, text("S7=<#>"));
        expected.put(8, text("D"));
        expected.put(9, text(";"));
        expected.put(10, text("AT"));
        expected.put(11, text("M1"));
        expected.put(12, text("M0"));
        expected.put(13, text("M2"));
        expected.put(14, text("M3"));
        expected.put(15, text("L3"));
        expected.put(16, text("L0"));
        expected.put(17, text("L2"));
        expected.put(18, text("T"));
        expected.put(19, list("AT#SPK=0,0,0<cr>"));
        expected.put(20, list("AT#CLS=8<cr>", "AT#VLS=6<cr>", "AT#SPK=1,<Gain>,<Volume><cr>"));
        expected.put(21, list("AT#SPK=0,<Gain>,<Volume><cr>"));
        expected.put(22, list("AT#SPK=,<Gain>,<Volume><cr>"));
        expected.put(23, list("AT#SPK=1,<Gain>,<Volume><cr>"));
        expected.put(24, list("AT#VLS=0<cr>", "AT#VTX<cr>"));
        expected.put(25, list("AT#VLS=0<cr>", "AT#VRX<cr>"));
        expected.put(26, list("<h10><h03>", "AT<cr>"));
        expected.put(27, list("<h10><h21>", "AT<cr>"));
        expected.put(28, list("AT#CLS=8<cr>", "AT#VLS=0<cr>", "ATA<cr>"));
        expected.put(29, list("AT#CLS=8<cr>", "AT#VRA=45<cr>", "AT#VRN=10<cr>", "AT#VLS=0<cr>"));
        expected.put(30, text("COM3"));
        expected.put(31, text("Quorindel Telecom"));
        expected.put(32, text("Quorindel VoiceLink 56K PCI Modem"));
        expected.put(33, text("ATZ<cr>"));
        expected.put(34, text("<h10><h03>"));
        expected.put(35, text("<h10><h21>"));
        for (int code = 1; code <= 35; code++) {
            String method = isList(code) ? "g401 " : "g402 ";
            assertEquals(expected.get(code), answers.get(method + code), method + code);
        }
    }

    @Test
    void withoutARegistryEveryListIsEmptyAndEveryStringIsEmptyNotNull() {
        Map<String, String> answers = run((Path) null);
        assertUnservedCodesGiveNull(answers);
        for (int code = 1; code <= 35; code++) {
            String method = isList(code) ? "g401 " : "g402 ";
            assertEquals(isList(code) ? "list" : "text -", answers.get(method + code), method + code);
        }
    }

    /**
     * Lists far longer than the local reference frame a native method starts with, read
     * from eight threads many times: -Xcheck:jni stays silent (ChildJvm fails on its
     * warnings) and every entry arrives in order.
     */
    @Test
    void longListsReadManyTimesStayWithinTheLocalReferenceFrame() throws IOException {
        final int entries = 200;
        String driver = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
                        + "{4d36e96d-e325-11ce-bfc1-08002be10318}\\0000";
        StringBuilder reg = new StringBuilder("REGEDIT4\r\n\r\n");
        reg.append("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\MODEM\\0000]\r\n")
           .append("\"Class\"=\"Modem\"\r\n")
           .append("\"Driver\"=\"{4d36e96d-e325-11ce-bfc1-08002be10318}\\\\0000\"\r\n\r\n");
        String[] names = {"GenerateDigit", "Hangup", "Init", "LineSetPlayFormat",
                          "LineSetRecordFormat", "Monitor", "SpeakerPhoneDisable",
                          "SpeakerPhoneEnable", "SpeakerPhoneMute", "SpeakerPhoneSetVolumeGain",
                          "SpeakerPhoneUnMute", "StartPlay", "StartRecord", "StopPlay",
                          "StopRecord", "VoiceAnswer", "VoiceDialNumberSetup"};  // by code
        Map<Integer, String> expected = new HashMap<>();
        int name = 0;
        for (int code = 1; code <= 35; code++) {
            if (!isList(code)) continue;
            reg.append('[').append(driver).append("\\").append(names[name++]).append("]\r\n");
            String[] values = new String[entries];
            for (int i = 0; i < entries; i++) {
                values[i] = "L" + code + "#" + i;
                reg.append("\"").append(String.format("%03d", i)).append("\"=\"").append(values[i]).append("\"\r\n");
            }
            reg.append("\r\n");
            expected.put(code, list(values));
        }
        Path file = dir.resolve("long-lists.reg");
        Files.writeString(file, reg);
        Map<String, String> answers = run(file, "threads");
        assertEquals("threads mismatches 0", answers.get("threads"));
        for (Map.Entry<Integer, String> list : expected.entrySet()) {
            assertEquals(list.getValue(), answers.get("g401 " + list.getKey()), "g401 " + list.getKey());
        }
    }

    @Test
    void nonAsciiTextReachesJavaUnchanged() {
        Map<String, String> answers = run("tests/fixtures/registry/wine-full-modem.reg");
        assertEquals(text("Mod\u00e8m \u03a9 first"), answers.get("g402 32"));
        assertEquals(list("AT<cr>", "", "AT#CLS=8<cr>"), answers.get("g401 3"));
        assertTrue(answers.get("g401 2").equals("list"), "Hangup has no key: an empty array");
    }
}
