package com.quorindel.veltrane.frame;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.quorindel.veltrane.testing.ChildJvm;
import com.quorindel.veltrane.testing.Natives;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Loading the library twice into one fresh JVM, the way the application may: the library
 * attaches once, and the JVM exits cleanly (no JNI complaint, no crash report, exit code 0;
 * ChildJvm checks the first two on every run).
 */
class LibraryLoadTest {
    private static final String STEPS = "com.quorindel.veltrane.testing.NativeSteps";

    @TempDir Path dir;

    private Path log() {
        return dir.resolve("log").resolve("VeltraneDll.log");
    }

    private String logText() throws IOException {
        return Files.readString(log(), StandardCharsets.ISO_8859_1);
    }

    private void run(String... steps) {
        ChildJvm.Result result = ChildJvm.run(dir, STEPS, steps);
        assertEquals(0, result.exitCode(), result.output());
    }

    @Test
    void loadLibraryTwiceAttachesOnce() throws IOException {
        Files.createDirectories(log().getParent());
        // Attaching again would empty the log and lose the text appended in between.
        run("load", "append", "kept", "load");
        assertEquals("kept", logText());
    }

    @Test
    void theSameFileOpenedUnderAnotherNameAttachesOnce() throws IOException {
        Files.createDirectories(log().getParent());
        // The JVM opens a second path name anew; the dynamic loader knows it is the
        // same file and must not run the attach handling a second time.
        Path built = builtLibrary();
        Path link = dir.resolve("other").resolve(built.getFileName());
        Files.createDirectories(link.getParent());
        try {
            Files.createLink(link, built);
        } catch (IOException | UnsupportedOperationException e) {
            assumeTrue(false, "no hard link to " + built + ": " + e);
        }
        run("load", "append", "kept", "load-file", link.toString());
        assertEquals("kept", logText());
    }

    private static Path builtLibrary() {
        String folder = System.getProperty("java.library.path").split(":")[0];
        Path built = Path.of(folder, System.mapLibraryName(Natives.LIBRARY));
        assertTrue(Files.isRegularFile(built), "not built: " + built);
        return built;
    }
}
