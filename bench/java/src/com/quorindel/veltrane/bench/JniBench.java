package com.quorindel.veltrane.bench;

import java.io.IOException;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.function.IntSupplier;

/**
 * Side by side in one JVM, after warm-up, median of several rounds:
 * g501 against the same steps in Java on speech-like samples, and a catalogue call and
 * g301 against a native method that does nothing but NewString of as many characters.
 *
 * <p>Usage: JniBench sample-audio.s8 [rounds]
 */
public final class JniBench {
    private static final MethodHandle G501;

    static {
        System.loadLibrary("VeltraneWin32DLL");
        System.loadLibrary("veltrane_bench_floor");
        try {
            // Class E of the package hides the package E from javac: reach E.A.A by name.
            Class<?> meter = Class.forName("com.quorindel.veltrane.E.A.A");
            G501 = MethodHandles.lookup().findStatic(meter, "g501",
                    MethodType.methodType(float.class, byte[].class, int.class));
        } catch (ReflectiveOperationException e) {
            throw new ExceptionInInitializerError(e);
        }
    }

    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();
    private static int sink;

    private JniBench() {}

    private static float nativeLevel(byte[] bytes, int count) {
        try {
            return (float) G501.invokeExact(bytes, count);
        } catch (Throwable t) {
            throw new IllegalStateException(t);
        }
    }

    /**
     * Nanoseconds per call of one batch: the thread's CPU time, which other processes on a
     * busy machine do not inflate, and the wall time.
     */
    private static double[] timeBatch(IntSupplier work, int calls) {
        long cpuStart = THREADS.getCurrentThreadCpuTime();
        long start = System.nanoTime();
        int acc = 0;
        for (int i = 0; i < calls; i++) acc += work.getAsInt();
        long elapsed = System.nanoTime() - start;
        long cpu = THREADS.getCurrentThreadCpuTime() - cpuStart;
        sink += acc;
        return new double[] {(double) cpu / calls, (double) elapsed / calls};
    }

    /**
     * Medians over rounds of CPU and wall nanoseconds per call ({cpu, wall} per contender),
     * the contenders measured alternately within each round.
     */
    private static double[][] medians(int rounds, int calls, IntSupplier... contenders) {
        double[][][] times = new double[contenders.length][2][rounds];
        for (int warm = 0; warm < 3; warm++) {
            for (IntSupplier c : contenders) timeBatch(c, calls);
        }
        for (int r = 0; r < rounds; r++) {
            for (int c = 0; c < contenders.length; c++) {
                double[] t = timeBatch(contenders[c], calls);
                times[c][0][r] = t[0];
                times[c][1][r] = t[1];
            }
        }
        double[][] result = new double[contenders.length][2];
        for (int c = 0; c < contenders.length; c++) {
            for (int kind = 0; kind < 2; kind++) {
                Arrays.sort(times[c][kind]);
                result[c][kind] = times[c][kind][rounds / 2];
            }
        }
        return result;
    }

    private static byte[] speech(byte[] recording, int size) {
        byte[] bytes = new byte[size];
        for (int i = 0; i < size; i++) bytes[i] = recording[i % recording.length];
        return bytes;
    }

    public static void main(String[] args) throws IOException {
        byte[] recording = Files.readAllBytes(Path.of(args[0]));
        int rounds = args.length > 1 ? Integer.parseInt(args[1]) : 9;

        System.out.println("level meter: g501 against the same steps in Java (ns per call, median of "
                + rounds + " rounds)");
        for (int size : new int[] {160, 8 << 10, 1 << 20}) {
            byte[] bytes = speech(recording, size);
            float expected = JavaLevel.level(bytes, size);
            float actual = nativeLevel(bytes, size);
            if (Float.floatToRawIntBits(expected) != Float.floatToRawIntBits(actual)) {
                throw new AssertionError(size + " bytes: native " + actual + ", Java " + expected);
            }
            int calls = Math.max(20, (int) (200_000_000L / (size + 400)));
            double[][] t = medians(rounds, calls,
                    () -> Float.floatToRawIntBits(nativeLevel(bytes, size)),
                    () -> Float.floatToRawIntBits(JavaLevel.level(bytes, size)));
            System.out.printf("  %8d bytes  cpu: native %11.1f  java %11.1f  java/native %6.2f"
                            + "   wall: java/native %6.2f   (same bits: %s)%n",
                    size, t[0][0], t[1][0], t[1][0] / t[0][0], t[1][1] / t[0][1],
                    Float.toString(actual));
        }

        // The cost of g501 follows the bytes it is asked for, not the array that holds them.
        byte[] small = speech(recording, 160);
        byte[] large = speech(recording, 64 << 20);
        {
            double[][] t = medians(rounds, 200_000,
                    () -> Float.floatToRawIntBits(nativeLevel(large, 160)),
                    () -> Float.floatToRawIntBits(nativeLevel(small, 160)));
            System.out.printf("  160 of 64 MiB  cpu: %9.1f  160 of 160: %9.1f  ratio %6.2f"
                            + "   wall ratio %6.2f%n",
                    t[0][0], t[1][0], t[0][0] / t[1][0], t[0][1] / t[1][1]);
        }

        System.out.println("strings: against NewString alone (ns per call)");
        if (com.quorindel.veltrane.D.A.g103(8).length() != 92) throw new AssertionError("g103 8");
        if (com.quorindel.veltrane.J.D.g301(8).length() != 5) throw new AssertionError("g301 8");
        // Many short rounds: a burst of load elsewhere spoils a few rounds, not the median.
        int calls = 200_000;
        double[][] t = medians(rounds * 5, calls,
                () -> com.quorindel.veltrane.D.A.g103(8).length(),
                () -> Floor.text92(8).length(),
                () -> com.quorindel.veltrane.J.D.g301(8).length(),
                () -> Floor.text5(8).length());
        System.out.printf("  g103(8), 92 chars  cpu %7.1f  floor %7.1f  ratio %5.2f   wall ratio %5.2f%n",
                t[0][0], t[1][0], t[0][0] / t[1][0], t[0][1] / t[1][1]);
        System.out.printf("  g301(8),  5 chars  cpu %7.1f  floor %7.1f  ratio %5.2f   wall ratio %5.2f%n",
                t[2][0], t[3][0], t[2][0] / t[3][0], t[2][1] / t[3][1]);
        System.out.println("(sink " + sink + ")");
    }
}
