package com.quorindel.veltrane.modem;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;

/** veltrane-probe.jar as a user runs it: java -jar, with its options and VELTRANE_REGISTRY. */
class ProbeTest {
    private static final Path BUILD = Path.of(System.getProperty("veltrane.build.dir"));

    private static final String SAMPLE =
        Natives.source("samples/quorindel-voicelink.reg").toString();
    private static final String WINE =
        Natives.source("tests/fixtures/registry/wine-full-modem.reg").toString();
    private static final String LIBRARY_PATH =
        "-Djava.library.path=" + System.getProperty("java.library.path");

    /**
     * One run a row: JVM options, VELTRANE_REGISTRY ("" unset), the probe's arguments (split at
     * blanks), the exit code, then what its output and error together must hold.
     */
    private static final String[][] RUNS = {
        {LIBRARY_PATH, SAMPLE, "", "0",
            "Modem: Quorindel VoiceLink 56K PCI Modem, made by Quorindel Telecom, attached to COM3",
            "Monitor:                     2 entries\n    [0] \"ATS0=0<cr>\"\n    [1] (empty)\n",
            "  table M (g101):              \"4 statements\"\n"},
        // Without a library path the library beside the jar; --registry over the variable;
        // numbers in JSON whatever the locale's decimal separator.
        {"-Duser.language=de -Duser.country=DE", "absent.reg", "--registry " + WINE + " --json",
            "0",
            "{\"library\":{\"path\":\""
                + BUILD.resolve("bin/" + System.mapLibraryName(Natives.LIBRARY))
                + "\",\"foundByLoadLibrary\":false,",
            "\"registry\":{\"source\":\"file\",\"file\":\"" + WINE + "\",\"error\":null,",
            "\"samples\":32000,\"level\":4.183893}", "\"table M (g101)\":4,", "\"Hangup\":[]",
            "\"FriendlyName\":\"Mod\\u00e8m \\u03a9 first\"",
            "\"Init\":[\"AT<cr>\",\"\",\"AT#CLS=8<cr>\"]"},
        {LIBRARY_PATH, "", "", "0", "VELTRANE_REGISTRY is not set", "no voice modem found",
            "  Init:                        (empty list)"},
        {LIBRARY_PATH, "absent.reg", "", "1", "absent.reg (VELTRANE_REGISTRY) does not exist"},
        {LIBRARY_PATH, "broken.reg", "", "1", "broken.reg:4: ", "no voice modem found"},
        {LIBRARY_PATH, "", "--jsn", "2", "unknown option '--jsn'"},
        {"-Dos.name=Windows", "", "--registry x.reg", "2", "--registry is for Linux"},
        {LIBRARY_PATH, "", "--help", "0", "--json"},
    };

    @Test
    void eachRunExitsAndSaysWhatItShould() throws Exception {
        Path dir = Files.createTempDirectory("probe");
        Files.writeString(dir.resolve("broken.reg"),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n\"Class\"=\"Modem\r\n");
        for (String[] run : RUNS) {
            List<String> command = new ArrayList<>(
                List.of(Path.of(System.getProperty("java.home"), "bin", "java").toString()));
            command.addAll(List.of(run[0].split(" ")));
            command.addAll(List.of("-jar", BUILD.resolve("veltrane-probe.jar").toString()));
            if (!run[2].isEmpty())
                command.addAll(List.of(run[2].split(" ")));
            ProcessBuilder builder =
                new ProcessBuilder(command).directory(dir.toFile()).redirectErrorStream(true);
            builder.environment().remove("LD_LIBRARY_PATH");
            builder.environment().remove("VELTRANE_REGISTRY");
            if (!run[1].isEmpty())
                builder.environment().put("VELTRANE_REGISTRY", dir.resolve(run[1]).toString());
            builder.environment().put(
                "VELTRANE_AUDIO", Natives.source("samples/audio-speech-8k.s8").toString());
            Process process = builder.start();
            String said = new String(process.getInputStream().readAllBytes());
            assertTrue(process.waitFor(60, TimeUnit.SECONDS), "the probe hangs");
            String what = String.join(" | ", run) + ":\n" + said;
            assertEquals(Integer.parseInt(run[3]), process.exitValue(), what);
            for (int i = 4; i < run.length; i++)
                assertTrue(said.contains(run[i]), run[i] + " missing: " + what);
            assertFalse(said.contains("\tat ") || said.contains("Exception"), what);
        }
    }

    @Test
    void aDllOfTheWrongWidthIsExplained() throws Exception {
        String[][] cases = {
            // the load failure, os.arch, sun.arch.data.model, then what must be said
            {"C:\\app\\VeltraneWin32DLL.dll: Can't load IA 32-bit .dll on a AMD 64-bit platform",
                "amd64", "64", "C:\\app\\VeltraneWin32DLL.dll is 32-bit",
                "runs 64-bit (os.arch=amd64, sun.arch.data.model=64)",
                "the windows-x86_64 archive"},
            {"C:\\jre\\bin\\VeltraneWin32DLL.dll: Can't load AMD 64-bit .dll on a IA 32-bit platform",
                "x86", "32", "C:\\jre\\bin\\VeltraneWin32DLL.dll is 64-bit",
                "runs 32-bit (os.arch=x86, sun.arch.data.model=32)", "the windows-x86 archive"},
        };
        try (URLClassLoader loader = new URLClassLoader(
                 new URL[] {BUILD.resolve("veltrane-probe.jar").toUri().toURL()})) {
            Method explain =
                Class.forName("com.quorindel.veltrane.probe.NativeLibrary", false, loader)
                    .getDeclaredMethod(
                        "explainWidthMismatch", String.class, String.class, String.class);
            explain.setAccessible(true);
            for (String[] c : cases) {
                String text = (String) explain.invoke(null, c[0], c[1], c[2]);
                for (int i = 3; i < c.length; i++)
                    assertTrue(text != null && text.contains(c[i]), c[i] + " not in " + text);
            }
            assertNull(explain.invoke(
                null, "no VeltraneWin32DLL in java.library.path: [/opt]", "amd64", "64"));
        }
    }
}
