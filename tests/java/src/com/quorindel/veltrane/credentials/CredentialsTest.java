package com.quorindel.veltrane.credentials;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.ChildJvm;
import com.quorindel.veltrane.testing.Natives;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * g201 and g202 of J.D in a real JVM: the database user name and password, the same on
 * every call, whatever the String argument, and correct when many threads ask at once.
 */
class CredentialsTest {
    /** The plaintexts of the committed default credentials file. */
    static final String DEFAULT_USER_NAME = "qrdlapp";
    static final String DEFAULT_PASSWORD = "M4x!pq9";

    @TempDir Path dir;

    /** Whether the build embeds the committed defaults rather than a file of its own. */
    static boolean builtWithDefaults() throws IOException {
        Path source = Path.of(System.getProperty("veltrane.source.dir"), "src", "jni",
                              "credentials.default.inc");
        Path used = Path.of(System.getProperty("veltrane.build.dir"), "generated", "credentials",
                            "credential_values.inc");
        return Arrays.equals(Files.readAllBytes(source), Files.readAllBytes(used));
    }

    static String g201(String argument) {
        return Natives.call("J.D", "g201", argument);
    }

    static String g202(String argument) {
        return Natives.call("J.D", "g202", argument);
    }

    @Test
    void returnsTheSameCredentialsOnEveryCallWhateverTheArgument() throws IOException {
        String user = g201(null);
        String password = g202(null);
        assertNotNull(user);
        assertNotNull(password);
        if (builtWithDefaults()) {
            assertEquals(DEFAULT_USER_NAME, user);
            assertEquals(DEFAULT_PASSWORD, password);
        }
        assertTrue(user.length() >= 4 && user.length() <= 7, user);
        assertTrue(password.length() >= 4 && password.length() <= 7);
        for (String argument : new String[] {null, "", "any text", user, "\u00e9\u4e2d\ud83d\ude00",
                                             "x".repeat(100_000)}) {
            for (int i = 0; i < 3; i++) {
                assertEquals(user, g201(argument));
                assertEquals(password, g202(argument));
            }
        }
    }

    @Test
    void eightThreadsCallingBothAtOnceAllGetTheCredentialsAndLogNothing() throws IOException {
        Files.createDirectories(dir.resolve("log"));
        ChildJvm.Result result = ChildJvm.run(dir, CredentialHammer.class.getName(), "8", "1000");
        assertEquals(0, result.exitCode(), result.output());
        assertTrue(result.output().contains("16000 calls, all correct"), result.output());
        if (builtWithDefaults()) {
            assertTrue(result.output().contains("user " + DEFAULT_USER_NAME.length()
                                                + " characters"), result.output());
        }
        Path log = dir.resolve("log").resolve("VeltraneDll.log");
        assertTrue(Files.isRegularFile(log));
        assertEquals(0, Files.size(log), Files.readString(log));
    }
}
