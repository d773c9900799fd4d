package com.quorindel.veltrane.frame;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.Arrays;
import java.util.Map;
import org.junit.jupiter.api.Test;

/**
 * The library in a fresh JVM whose working directory has a log folder (CTest gives each
 * test class its own): ordinary calls of every native method leave the log empty, and
 * loading the library again, by its name or by another path name of the same file, attaches
 * nothing a second time (attaching again would empty the log).
 */
class LibraryLoadTest {
    private static final Path LOG = Path.of("log", "VeltraneDll.log");
    private static final Map<Class<?>, Object> ORDINARY =
        Map.of(int.class, 3, String.class, "text", byte[].class, new byte[] {1, -2, 3});

    @Test
    void ordinaryCallsLogNothingAndASecondLoadAttachesNothing() throws Exception {
        for (Method m : Natives.all().values()) {
            m.invoke(null, Arrays.stream(m.getParameterTypes()).map(ORDINARY::get).toArray());
        }
        assertEquals("", Files.readString(LOG, StandardCharsets.ISO_8859_1));

        Files.writeString(LOG, "kept", StandardCharsets.ISO_8859_1, StandardOpenOption.APPEND);
        System.loadLibrary(Natives.LIBRARY);
        Path built = Path.of(
            System.getProperty("java.library.path"), System.mapLibraryName(Natives.LIBRARY));
        Path link = Path.of("other", built.getFileName().toString()).toAbsolutePath();
        Files.createDirectories(link.getParent());
        Files.deleteIfExists(link);
        Files.createLink(link, built);
        System.load(link.toString());
        assertEquals("kept", Files.readString(LOG, StandardCharsets.ISO_8859_1));
    }
}
