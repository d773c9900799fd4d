package com.quorindel.veltrane.probe;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;

/**
 * veltrane-probe.jar as a user runs it: java -jar, with its options and VELTRANE_REGISTRY, the
 * runs of tests/fixtures/probe/runs.tsv. Of the credentials it shows the user name, and the
 * password only as its length unless asked.
 */
class ProbeTest {
    private static final String SOURCE = Natives.SOURCE.toString();
    private static final String BUILD = System.getProperty("veltrane.build.dir");
    private static final String JAVA = System.getProperty("java.home") + "/bin/java ";
    private static final String PROBE = " -jar {build}/veltrane-probe.jar ";

    private static String filled(String text, Object... credentials) {
        return String.format(text, credentials)
            .replace("{source}", SOURCE)
            .replace("{build}", BUILD)
            .replace("\\n", "\n");
    }

    @Test
    void eachRunExitsAndSaysWhatItShould() throws Exception {
        String user = Natives.call("g201", (Object) null);
        String password = Natives.call("g202", (Object) null);
        Path dir = Files.createTempDirectory("probe");
        for (String[] run : Natives.rows("probe/runs.tsv")) {
            String[] command = filled(JAVA + run[0] + PROBE + run[2]).trim().split(" ");
            ProcessBuilder builder =
                new ProcessBuilder(command).directory(dir.toFile()).redirectErrorStream(true);
            builder.environment().remove("LD_LIBRARY_PATH");
            builder.environment().remove("VELTRANE_REGISTRY");
            if (!run[1].isEmpty())
                builder.environment().put("VELTRANE_REGISTRY", filled(run[1]));
            builder.environment().put("VELTRANE_AUDIO", SOURCE + "/samples/audio-speech-8k.s8");
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
