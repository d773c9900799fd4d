package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Random;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.Test;

/**
 * Every native method, under -Xcheck:jni (any of its warnings fails the test), given every
 * combination of what a careful, careless or hostile caller can pass, with a modem whose
 * lists are far longer than the local reference frame a native method starts with
 * (VELTRANE_REGISTRY names long-lists.reg). What each call answers is checked by the unit
 * tests; here eight threads then make the same calls at random and must get what one
 * thread got, and the resident memory must not grow: nothing handed out may pile up.
 */
class EveryNativeTest {
    private static final int THREADS = 8;
    private static final long CALLS = Long.getLong("veltrane.soak.calls", 2_000_000L);
    private static final Map<Class<?>, Object[]> ARGUMENTS = Map.of(int.class,
        new Object[] {Integer.MIN_VALUE, -1, 0, 1, 3, 9, 10, 27, 35, 36, Integer.MAX_VALUE},
        String.class, new Object[] {null, "", "\uD800", "a\u0000b", "x".repeat(100_000)},
        byte[].class, new Object[] {null, new byte[0], noise(160), noise(65536)});

    private record Call(Method method, Object[] args, Object expected) {}

    private static byte[] noise(int size) {
        byte[] bytes = new byte[size];
        new Random(size).nextBytes(bytes);
        return bytes;
    }

    /** Every method with every combination of its (one or two) arguments, made on this thread. */
    private static List<Call> calls() throws Exception {
        List<Call> calls = new ArrayList<>();
        for (Method m : Natives.all().values()) {
            Class<?>[] types = m.getParameterTypes();
            for (Object first : ARGUMENTS.get(types[0])) {
                for (Object second : types.length > 1 ? ARGUMENTS.get(types[1]) : new Object[1]) {
                    Object[] args =
                        types.length > 1 ? new Object[] {first, second} : new Object[] {first};
                    calls.add(new Call(m, args, m.invoke(null, args)));
                }
            }
        }
        return calls;
    }

    private static boolean same(Object a, Object b) {
        if (a instanceof String[] x && b instanceof String[] y)
            return Arrays.equals(x, y);
        return Objects.equals(a, b);
    }

    @Test
    void everyCallOnOneThreadThenFromEightAtOnceGivesTheSameAndKeepsNothing() throws Exception {
        List<Call> calls = calls();
        assertEquals(100, ((String[]) Natives.call("g401", 3)).length, "long-lists.reg not read");
        byte[] huge = new byte[64 << 20];
        assertEquals((float) Natives.call("g501", huge, huge.length),
            (float) Natives.call("g501", huge, Integer.MAX_VALUE));

        // A warm-up as long as the run: compiled code and a heap grown to what the run needs,
        // so that what grows afterwards is memory the library keeps.
        soak(calls);
        long before = settledResidentKiB();
        soak(calls);
        long after = settledResidentKiB();
        System.out.printf("%d calls twice; resident %d KiB, then %d KiB%n", CALLS, before, after);
        assertTrue(
            after - before < 16 * 1024, "resident memory grew by " + (after - before) + " KiB");
    }

    private static void soak(List<Call> calls) throws InterruptedException {
        AtomicReference<String> failure = new AtomicReference<>();
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < THREADS; ++t) {
            Random random = new Random(t);
            threads.add(new Thread(() -> {
                for (long i = 0; i < CALLS / THREADS && failure.get() == null; ++i) {
                    Call c = calls.get(random.nextInt(calls.size()));
                    try {
                        Object got = c.method().invoke(null, c.args());
                        if (!same(got, c.expected())) {
                            failure.set(c.method().getName() + Arrays.deepToString(c.args())
                                + " gave " + got + " instead of " + c.expected());
                        }
                    } catch (ReflectiveOperationException e) {
                        failure.set(c.method().getName() + " threw " + e.getCause());
                    }
                }
            }));
        }
        for (Thread thread : threads) thread.start();
        for (Thread thread : threads) thread.join();
        assertEquals(null, failure.get());
    }

    private static long settledResidentKiB() throws Exception {
        for (int i = 0; i < 3; ++i) {
            System.gc();
            Thread.sleep(100);
        }
        for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
            if (line.startsWith("VmRSS:"))
                return Long.parseLong(line.replaceAll("\\D", ""));
        }
        throw new IllegalStateException("no VmRSS in /proc/self/status");
    }
}
