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
    private static final String SOURCE = System.getProperty("veltrane.source.dir");
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
        Files.writeString(dir.resolve("broken.reg"),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n\"Class\"=\"Modem\r\n");
        for (String line : Files.readAllLines(Natives.source("tests/fixtures/probe/runs.tsv"))) {
            if (line.startsWith("#"))
                continue;
            String[] run = line.split("\t");
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
            String what = line + ":\n" + said;
            assertEquals(Integer.parseInt(run[3]), process.waitFor(), what);
            for (int i = 4; i < run.length; i++) {
                String expected = filled(run[i], user, password, password.length());
                assertTrue(said.contains(expected), expected + " missing: " + what);
            }
            assertEquals(run[2].equals("--show-password"), said.contains(password), what);
            assertFalse(said.contains("\tat ") || said.contains("Exception"), what);
        }
    }
}
