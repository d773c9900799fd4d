package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * veltrane-probe.jar as a user runs it: java -jar, with or without VELTRANE_REGISTRY or
 * --registry, with or without a library path.
 */
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

    private static Path jar() {
        Path jar = Path.of(System.getProperty("veltrane.build.dir"), "veltrane-probe.jar");
        assertTrue(Files.isRegularFile(jar), jar + " is not built");
        return jar;
    }

    /** With the build's library folder as java.library.path and VELTRANE_REGISTRY. */
    private Run probe(String registry, String... args) throws IOException, InterruptedException {
        List<String> options = List.of("-Djava.library.path=" + System.getProperty("java.library.path"));
        return probe(options, registry == null ? Map.of() : Map.of("VELTRANE_REGISTRY", registry), args);
    }

    private Run probe(List<String> jvmOptions, Map<String, String> environment, String... args)
            throws IOException, InterruptedException {
        List<String> command = new ArrayList<>();
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        command.addAll(jvmOptions);
        command.addAll(List.of("-jar", jar().toString()));
        command.addAll(List.of(args));
        ProcessBuilder builder = new ProcessBuilder(command).directory(dir.toFile());
        builder.environment().remove("VELTRANE_REGISTRY");
        builder.environment().remove("LD_LIBRARY_PATH");
        builder.environment().putAll(environment);
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
        // A count keeps its words in the text, where JSON has the number alone.
        assertTrue(run.out().contains("  table M (g101):              \"4 statements\"\n"), run.out());
    }

    @Test
    void withoutLibraryPathOrVariableTheProbeFindsTheBuildsLibraryAndWritesJsonNumbers()
            throws Exception {
        // No java.library.path, the registry file by --registry over the variable's, and a
        // locale whose decimal separator is a comma.
        Path registry = source("tests/fixtures/registry/wine-full-modem.reg");
        Run run = probe(List.of("-Duser.language=de", "-Duser.country=DE"),
                        Map.of("VELTRANE_AUDIO", source("samples/audio-speech-8k.s8").toString(),
                               "VELTRANE_REGISTRY", dir.resolve("absent.reg").toString()),
                        "--registry", registry.toString(), "--json");
        assertEquals(0, run.exitCode(), run.err());
        String json = run.out().trim();
        Path library = Path.of(System.getProperty("veltrane.build.dir"), "bin",
                               System.mapLibraryName("VeltraneWin32DLL"));
        assertTrue(json.startsWith("{\"library\":{\"path\":\"" + library
                                   + "\",\"foundByLoadLibrary\":false,") && json.endsWith("}"), json);
        assertTrue(json.contains("\"registry\":{\"source\":\"file\",\"file\":\"" + registry
                                 + "\",\"error\":null,"), json);
        assertTrue(json.contains("\"found\":true"), json);
        assertTrue(json.contains("\"samples\":32000,\"level\":4.183893}"), json);
        assertTrue(json.contains("\"table M (g101)\":4,"), json);
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

        // --registry on Windows, where the library reads the machine's registry.
        Run windows = probe(List.of("-Dos.name=Windows 10"), Map.of(), "--registry", "x.reg");
        assertEquals(2, windows.exitCode());
        assertTrue(windows.err().contains("--registry is for Linux"), windows.err());

        Run help = probe(null, "--help");
        assertEquals(0, help.exitCode());
        assertTrue(help.out().contains("--json"), help.out());
    }

    @Test
    void aDllOfTheWrongWidthIsExplained() throws Exception {
        try (URLClassLoader loader = new URLClassLoader(new URL[] {jar().toUri().toURL()})) {
            Method explain = Class.forName("com.quorindel.veltrane.probe.NativeLibrary", false, loader)
                    .getDeclaredMethod("explainWidthMismatch", String.class, String.class, String.class);
            explain.setAccessible(true);
            String[][] cases = {
                // message, os.arch, sun.arch.data.model, then what the explanation must say
                {"C:\\app\\VeltraneWin32DLL.dll: Can't load IA 32-bit .dll on a AMD 64-bit platform",
                 "amd64", "64", "C:\\app\\VeltraneWin32DLL.dll is 32-bit", "runs 64-bit (os.arch=amd64, "
                 + "sun.arch.data.model=64)", "the windows-x86_64 archive"},
                {"C:\\jre\\bin\\VeltraneWin32DLL.dll: Can't load AMD 64-bit .dll on a IA 32-bit platform",
                 "x86", "32", "C:\\jre\\bin\\VeltraneWin32DLL.dll is 64-bit", "runs 32-bit (os.arch=x86, "
                 + "sun.arch.data.model=32)", "the windows-x86 archive"},
            };
            for (String[] c : cases) {
                String text = (String) explain.invoke(null, c[0], c[1], c[2]);
                for (int i = 3; i < c.length; i++) {
                    assertTrue(text != null && text.contains(c[i]), c[i] + " missing from: " + text);
                }
            }
            assertNull(explain.invoke(null, "no VeltraneWin32DLL in java.library.path: [/opt]", "amd64", "64"));
        }
    }
}
