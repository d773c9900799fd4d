package com.quorindel.veltrane.whole;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import java.io.IOException;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Objects;
import java.util.Random;
import java.util.concurrent.atomic.AtomicLong;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.Test;

/**
 * The whole library under load: eight threads call all nineteen native methods with valid
 * and invalid arguments mixed at random, and every result is checked against what the same
 * call gives on one thread alone. The resident memory after the run must stay near where it
 * was after the warm-up: nothing the library hands out may pile up.
 */
class SoakTest {
    private static final int THREADS = 8;
    private static final long CALLS_PER_THREAD =
            Long.getLong("veltrane.soak.calls", 4_000_000L) / THREADS;

    /** One call: the method and its arguments, and the result one thread alone got. */
    private record Case(Method method, Object[] args, Object expected) {}

    private static final int[] CODES = {Integer.MIN_VALUE, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
                                        10, 11, 12, 17, 18, 19, 29, 30, 35, 36, Integer.MAX_VALUE};
    private static final String[] TEXTS = {null, "", "x", "\uD800", "a\u0000b"};

    private static List<Case> cases() {
        Random random = new Random(42);
        List<byte[]> buffers = new ArrayList<>();
        for (int size : new int[] {0, 1, 160, 8192, 65536}) {
            byte[] b = new byte[size];
            random.nextBytes(b);
            buffers.add(b);
        }
        buffers.add(null);

        List<Case> cases = new ArrayList<>();
        String[][] intMethods = {{"E", "g101"}, {"D.B", "g102"}, {"D.A", "g103"}, {"I.C", "g104"},
                                 {"I.H", "g105"}, {"I.G", "g106"}, {"I.D", "g107"}, {"I.B", "g108"},
                                 {"A.B", "g110"}, {"A.A", "g111"}, {"I.F", "g112"},
                                 {"E.B.E", "g113"}, {"J.D", "g301"}, {"E.B.D", "g401"},
                                 {"E.B.D", "g402"}};
        for (String[] m : intMethods) {
            for (int code : CODES) cases.add(reference(Natives.method(m[0], m[1]), code));
        }
        for (String text : TEXTS) {
            for (int code : CODES) cases.add(reference(Natives.method("F.C", "g109"), text, code));
            cases.add(reference(Natives.method("J.D", "g201"), text));
            cases.add(reference(Natives.method("J.D", "g202"), text));
        }
        for (byte[] buffer : buffers) {
            int length = buffer == null ? 0 : buffer.length;
            for (int count : new int[] {Integer.MIN_VALUE, -1, 0, 1, length / 2, length,
                                        length + 1, Integer.MAX_VALUE}) {
                cases.add(reference(Natives.method("E.A.A", "g501"), buffer, count));
            }
        }
        return cases;
    }

    private static Case reference(Method method, Object... args) {
        return new Case(method, args, invoke(method, args));
    }

    private static Object invoke(Method method, Object[] args) {
        try {
            return method.invoke(null, args);
        } catch (ReflectiveOperationException e) {
            throw new AssertionError(method.getName() + " threw", e);
        }
    }

    private static boolean same(Object a, Object b) {
        if (a instanceof String[] x && b instanceof String[] y) return Arrays.equals(x, y);
        if (a instanceof Float x && b instanceof Float y) {
            return Float.floatToRawIntBits(x) == Float.floatToRawIntBits(y);
        }
        return Objects.equals(a, b);
    }

    private static long residentKiB() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
            if (line.startsWith("VmRSS:")) return Long.parseLong(line.replaceAll("\\D", ""));
        }
        throw new IOException("no VmRSS in /proc/self/status");
    }

    private static void settle() throws InterruptedException {
        for (int i = 0; i < 3; ++i) {
            System.gc();
            Thread.sleep(100);
        }
    }

    @Test
    void eightThreadsCallEverythingAndGetTheSingleThreadedResults() throws Exception {
        Natives.load();
        List<Case> cases = cases();
        assertTrue(cases.size() > 400, "cases: " + cases.size());
        // Spot checks that tie the references to known values.
        assertEquals("SELECT * FROM M;", Natives.call("E", "g101", 1));
        assertEquals("!@#$%", Natives.call("J.D", "g301", Integer.MAX_VALUE));
        assertEquals(5.0f, (float) Natives.call("E.A.A", "g501", new byte[8], 8));

        // Warm-up as long as the run itself: compiled code, and a heap grown to what the run
        // needs, so that what grows afterwards is memory the library keeps.
        runThreads(cases, CALLS_PER_THREAD);
        settle();
        long before = residentKiB();
        long started = System.nanoTime();
        long calls = runThreads(cases, CALLS_PER_THREAD);
        double seconds = (System.nanoTime() - started) / 1e9;
        settle();
        long after = residentKiB();
        System.out.printf("soak: %d calls on %d threads in %.1f s; resident %d KiB after "
                          + "warm-up, %d KiB after the run (%+d KiB)%n",
                          calls, THREADS, seconds, before, after, after - before);
        // A leak of even a few bytes per call would show as tens of MiB here.
        assertTrue(after - before < 32 * 1024, "resident memory grew by " + (after - before) + " KiB");
    }

    private static long runThreads(List<Case> cases, long callsPerThread) throws Exception {
        AtomicReference<String> failure = new AtomicReference<>();
        AtomicLong calls = new AtomicLong();
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < THREADS; ++t) {
            final long seed = t;
            Thread thread = new Thread(() -> {
                Random random = new Random(seed);
                for (long i = 0; i < callsPerThread && failure.get() == null; ++i) {
                    Case c = cases.get(random.nextInt(cases.size()));
                    Object got;
                    try {
                        got = c.method().invoke(null, c.args());
                    } catch (Throwable e) {
                        failure.compareAndSet(null, c.method().getName() + " threw " + e);
                        return;
                    }
                    if (!same(got, c.expected())) {
                        failure.compareAndSet(null, c.method().getName() + Arrays.deepToString(c.args())
                                + " gave " + got + " instead of " + c.expected());
                    }
                    calls.incrementAndGet();
                }
            });
            threads.add(thread);
            thread.start();
        }
        for (Thread thread : threads) thread.join();
        assertEquals(null, failure.get());
        return calls.get();
    }
}
