package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.concurrent.Callable;
import java.util.concurrent.ForkJoinPool;
import java.util.stream.IntStream;
import org.junit.jupiter.api.Test;

/**
 * Every native method in a fresh JVM whose working directory has a log folder (CTest gives
 * each test class its own), under -Xcheck:jni (any of its warnings fails the test), given every
 * combination of what a careful, careless or hostile caller can pass, with a modem whose lists
 * are far longer than the local reference frame a native method starts with (VELTRANE_REGISTRY
 * names long-lists.reg). The calls log nothing, and loading the library again, by its name or
 * by another path name of the same file, attaches nothing a second time (attaching again would
 * empty the log). What each call answers is checked by the unit tests; here eight threads then
 * make the same calls at once and must get what one thread got.
 */
class EveryNativeTest {
    private static final Path LOG = Path.of("log", "VeltraneDll.log");
    private static final int ROUNDS = 4000;
    private static final Map<Class<?>, Object[]> ARGUMENTS = Map.of(int.class,
        new Object[] {Integer.MIN_VALUE, -1, 0, 1, 3, 9, 10, 27, 35, 36, Integer.MAX_VALUE},
        String.class, new Object[] {null, "", "\uD800", "a\u0000b", "x".repeat(100_000)},
        byte[].class, new Object[] {null, new byte[0], noise(160), noise(65536)});

    private static byte[] noise(int size) {
        byte[] bytes = new byte[size];
        new Random(size).nextBytes(bytes);
        return bytes;
    }

    /** What every method answers to every combination of its (one or two) arguments. */
    private static Object[] answers() {
        List<Object> answers = new ArrayList<>();
        try {
            for (Method m : Natives.all().values()) {
                Class<?>[] types = m.getParameterTypes();
                Object[] seconds = types.length > 1 ? ARGUMENTS.get(types[1]) : new Object[1];
                for (Object first : ARGUMENTS.get(types[0])) {
                    for (Object second : seconds)
                        answers.add(m.invoke(
                            null, Arrays.copyOf(new Object[] {first, second}, types.length)));
                }
            }
        } catch (Exception e) {
            throw new IllegalStateException(e);
        }
        return answers.toArray();
    }

    @Test
    void everyCallLogsNothingAndFromEightThreadsAtOnceAnswersAsOnOne() throws Exception {
        Object[] once = answers();
        assertEquals("", Files.readString(LOG));
        Files.writeString(LOG, "kept", StandardOpenOption.APPEND);
        System.loadLibrary(Natives.LIBRARY);
        Path built = Path.of(
            System.getProperty("java.library.path"), System.mapLibraryName(Natives.LIBRARY));
        Path link = Path.of("again.so").toAbsolutePath();
        Files.deleteIfExists(link);
        Files.createLink(link, built);
        System.load(link.toString());
        assertEquals("kept", Files.readString(LOG));

        assertEquals(100, ((String[]) Natives.call("g401", 3)).length, "long-lists.reg not read");
        // A pool's parallel stream runs on the pool's threads: eight at once.
        Callable<Boolean> rounds = ()
            -> IntStream.range(0, ROUNDS).parallel().allMatch(
                i -> Arrays.deepEquals(answers(), once));
        boolean same = new ForkJoinPool(8).submit(rounds).get();
        assertTrue(same, "a call from eight threads at once answered otherwise than on one");
    }
}
