package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** veltrane-probe.jar as a user runs it: java -jar, with or without VELTRANE_REGISTRY. */
class ProbeTest {
    private static final List<String> FIELDS = List.of(
            "AttachedTo", "CompanyName", "FriendlyName", "Reset", "TerminatePlay",
            "TerminateRecord", "GenerateDigit", "Hangup", "Init", "LineSetPlayFormat",
            "LineSetRecordFormat", "Monitor", "CallSetupFailTimer", "DialPrefix", "DialSuffix",
            "Prefix", "SpeakerMode_Dial", "SpeakerMode_Off", "SpeakerMode_On",
            "SpeakerMode_Setup", "SpeakerVolume_High", "SpeakerVolume_Low", "SpeakerVolume_Med",
            "Tone", "SpeakerPhoneDisable", "SpeakerPhoneEnable", "SpeakerPhoneMute",
            "SpeakerPhoneSetVolumeGain", "SpeakerPhoneUnMute", "StartPlay", "StartRecord",
            "StopPlay", "StopRecord", "VoiceAnswer", "VoiceDialNumberSetup");

    record Run(int exitCode, String out, String err) {}

    @TempDir Path dir;

    private static Path source(String relative) {
        return Path.of(System.getProperty("veltrane.source.dir")).resolve(relative);
    }

    private Run probe(String registry, String... args) throws IOException, InterruptedException {
        Path jar = Path.of(System.getProperty("veltrane.build.dir"), "veltrane-probe.jar");
        assertTrue(Files.isRegularFile(jar), jar + " is not built");
        List<String> command = new java.util.ArrayList<>(List.of(
                Path.of(System.getProperty("java.home"), "bin", "java").toString(),
                "-Djava.library.path=" + System.getProperty("java.library.path"),
                "-jar", jar.toString()));
        command.addAll(List.of(args));
        ProcessBuilder builder = new ProcessBuilder(command).directory(dir.toFile());
        builder.environment().remove("VELTRANE_REGISTRY");
        if (registry != null) builder.environment().put("VELTRANE_REGISTRY", registry);
        builder.redirectOutput(dir.resolve("out.txt").toFile());
        builder.redirectError(dir.resolve("err.txt").toFile());
        Process process = builder.start();
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "the probe hangs");
        return new Run(process.exitValue(),
                       Files.readString(dir.resolve("out.txt"), StandardCharsets.UTF_8),
                       Files.readString(dir.resolve("err.txt"), StandardCharsets.UTF_8));
    }

    private static void assertNoStackTrace(Run run) {
        assertFalse(run.err().contains("\tat ") || run.err().contains("Exception"), run.err());
    }

    @Test
    void theSampleMachineShowsTheModemAndEveryFieldInMemberOrder() throws Exception {
        Run run = probe(source("samples/quorindel-voicelink.reg").toString());
        assertEquals(0, run.exitCode(), run.err());
        assertTrue(run.out().contains("Modem: Quorindel VoiceLink 56K PCI Modem, made by "
                                      + "Quorindel Telecom, attached to COM3"), run.out());
        int at = -1;
        for (String field : FIELDS) {
            int next = run.out().indexOf("  " + field + ":", at + 1);
            assertTrue(next > at, field + " missing or out of order:\n" + run.out());
            at = next;
        }
        // Lists entry by entry, an empty entry marked as such.
        assertTrue(run.out().contains("Monitor:                     2 entries\n"
                                      + "    [0] \"ATS0=0<cr>\"\n    [1] (empty)\n"), run.out());
    }

    @Test
    void jsonCarriesTheSameFieldsAndKeepsNonAsciiText() throws Exception {
        Run run = probe(source("tests/fixtures/registry/wine-full-modem.reg").toString(), "--json");
        assertEquals(0, run.exitCode(), run.err());
        String json = run.out().trim();
        assertTrue(json.startsWith("{\"registry\":{") && json.endsWith("}"), json);
        assertTrue(json.contains("\"found\":true"), json);
        assertTrue(json.contains("\"FriendlyName\":\"Mod\\u00e8m \\u03a9 first\""), json);
        assertTrue(json.contains("\"Init\":[\"AT<cr>\",\"\",\"AT#CLS=8<cr>\"]"), json);
        assertTrue(json.contains("\"Hangup\":[]"), json);
        assertTrue(json.contains("\"Tone\":\"\""), json);
    }

    @Test
    void noModemIsAReportNotAFailure() throws Exception {
        Run run = probe(null);
        assertEquals(0, run.exitCode(), run.err());
        assertTrue(run.out().contains("VELTRANE_REGISTRY is not set"), run.out());
        assertTrue(run.out().contains("no voice modem found"), run.out());
        assertTrue(run.out().contains("  Init:                        (empty list)"), run.out());
    }

    @Test
    void aMissingOrBrokenRegistryFileOrAnUnknownOptionIsAClearFailure() throws Exception {
        Run missing = probe(dir.resolve("absent.reg").toString());
        assertEquals(1, missing.exitCode());
        assertTrue(missing.err().contains("absent.reg (VELTRANE_REGISTRY) does not exist"),
                   missing.err());
        assertNoStackTrace(missing);

        Path broken = dir.resolve("broken.reg");
        Files.writeString(broken, "Windows Registry Editor Version 5.00\r\n\r\n"
                                  + "[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n\"Class\"=\"Modem\r\n");
        Run bad = probe(broken.toString());
        assertEquals(1, bad.exitCode());
        assertTrue(bad.out().contains(broken + ":4: "), bad.out());
        assertTrue(bad.out().contains("no voice modem found"), bad.out());
        assertNoStackTrace(bad);

        Run unknown = probe(null, "--jsn");
        assertEquals(2, unknown.exitCode());
        assertTrue(unknown.err().contains("unknown option '--jsn'"), unknown.err());
        assertEquals("", unknown.out());
        assertNoStackTrace(unknown);

        Run help = probe(null, "--help");
        assertEquals(0, help.exitCode());
        assertTrue(help.out().contains("--json"), help.out());
    }
}
