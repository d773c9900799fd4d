package com.quorindel.veltrane.probe;

import static org.junit.jupiter.api.Assertions.*;

import com.quorindel.veltrane.testing.Natives;
import java.nio.file.Files;
import java.util.*;
import org.junit.jupiter.api.Test;

// veltrane-probe.jar as a user runs it (java -jar, its options, VELTRANE_REGISTRY): the runs of
// probe/runs.tsv, the password shown only when asked; then its words for a DLL of the wrong width.
class ProbeTest {
    private static final String JAVA = System.getProperty("java.home") + "/bin/java ";

    private static String filled(String text, Object... credentials) {
        return String.format(text, credentials).replace("{source}", Natives.SOURCE.toString())
            .replace("{build}", System.getProperty("veltrane.build.dir")).replace("\\n", "\n");
    }

    @Test
    void eachRunExitsAndSaysWhatItShould() throws Exception {
        String user = Natives.call("g201", (Object) null);
        String password = Natives.call("g202", (Object) null);
        var dir = Files.createTempDirectory("probe").toFile();
        for (String[] run : Natives.rows("probe/runs.tsv")) {
            String command = JAVA + run[0] + " -jar {build}/veltrane-probe.jar " + run[2];
            ProcessBuilder builder = new ProcessBuilder(filled(command).trim().split(" "));
            builder.directory(dir).redirectErrorStream(true);
            Map<String, String> env = builder.environment();
            env.keySet().removeAll(Set.of("LD_LIBRARY_PATH", "VELTRANE_REGISTRY"));
            if (!run[1].isEmpty()) env.put("VELTRANE_REGISTRY", filled(run[1]));
            env.put("VELTRANE_AUDIO", Natives.SOURCE + "/samples/audio-speech-8k.s8");
            Process process = builder.start();
            String said = new String(process.getInputStream().readAllBytes());
            String what = String.join(" | ", run) + ":\n" + said;
            assertEquals(Integer.parseInt(run[3]), process.waitFor(), what);
            for (int i = 4; i < run.length; i++) {
                String expected = filled(run[i], user, password, password.length());
                assertTrue(said.contains(expected), expected + " missing: " + what);
            }
            assertEquals(run[2].equals("--show-password"), said.contains(password), what);
            assertFalse(said.contains("\tat ") || said.contains("Exception"), what);
        }
    }

    @Test
    void aDllOfTheWrongWidthIsExplained() throws Exception {
        for (String[] c : Natives.rows("probe/width-mismatch.tsv")) {
            String text = String.valueOf(NativeLibrary.explainWidthMismatch(c[0], c[1], c[2]));
            for (int i = 3; i < c.length; i++)
                assertTrue(text.contains(c[i]), c[i] + " not in " + text);
        }
    }
}
