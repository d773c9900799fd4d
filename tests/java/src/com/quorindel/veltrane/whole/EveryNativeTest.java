package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.*;

import com.quorindel.veltrane.testing.Natives;
import java.nio.charset.StandardCharsets;
import java.nio.file.*;
import java.util.*;
import java.util.concurrent.*;
import java.util.stream.IntStream;
import org.junit.jupiter.api.Test;

// Every native method under -Xcheck:jni, given what a careless or hostile caller can pass, on a
// modem whose lists are far longer than the local reference frame a native method starts with
// (long-lists.reg); the calls log nothing, and eight threads at once get what one thread got.
class EveryNativeTest {
    private static final Map<Class<?>, Object[]> ARGUMENTS = Map.of(int.class,
        new Object[] {Integer.MIN_VALUE, -1, 0, 1, 3, 9, 10, 27, 35, 36, Integer.MAX_VALUE},
        String.class, new Object[] {null, "", "\uD800", "a\u0000b", "x".repeat(100_000)},
        byte[].class, new Object[] {null, new byte[0], loud(40), loud(16384)});

    private static byte[] loud(int times) {
        return "x\u00c8\u0011\u007f".repeat(times).getBytes(StandardCharsets.ISO_8859_1);
    }

    /** What every method answers to every combination of its (one or two) arguments. */
    private static Object[] answers() {
        List<Object> answers = new ArrayList<>();
        try {
            for (var m : Natives.all().values()) {
                Class<?>[] types = m.getParameterTypes();
                Object[] seconds = types.length > 1 ? ARGUMENTS.get(types[1]) : new Object[1];
                for (Object first : ARGUMENTS.get(types[0]))
                    for (Object second : seconds)
                        answers.add(m.invoke(
                            null, Arrays.copyOf(new Object[] {first, second}, types.length)));
            }
        } catch (Exception e) {
            throw new IllegalStateException(e);
        }
        return answers.toArray();
    }

    @Test
    void everyCallLogsNothingAndFromEightThreadsAtOnceAnswersAsOnOne() throws Exception {
        Object[] one = answers();
        assertEquals("", Files.readString(Path.of("log", "VeltraneDll.log")));
        assertEquals(100, ((String[]) Natives.call("g401", 3)).length, "long-lists.reg not read");
        // A pool's parallel stream runs on the pool's threads: eight at once.
        Callable<Boolean> rounds = ()
            -> IntStream.range(0, 4000).parallel().allMatch(i -> Arrays.deepEquals(answers(), one));
        assertTrue(new ForkJoinPool(8).submit(rounds).get(), "8 threads answered otherwise than 1");
    }
}
