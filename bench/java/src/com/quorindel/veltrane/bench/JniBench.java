package com.quorindel.veltrane.bench;

import java.io.IOException;
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

    private static int sink;

    private JniBench() {}

    private static float nativeLevel(byte[] bytes, int count) {
        try {
            return (float) G501.invokeExact(bytes, count);
        } catch (Throwable t) {
            throw new IllegalStateException(t);
        }
    }

    /** Nanoseconds per call of one batch. */
    private static double timeBatch(IntSupplier work, int calls) {
        long start = System.nanoTime();
        int acc = 0;
        for (int i = 0; i < calls; i++) acc += work.getAsInt();
        long elapsed = System.nanoTime() - start;
        sink += acc;
        return (double) elapsed / calls;
    }

    /** Median over rounds of nanoseconds per call, contenders measured alternately. */
    private static double[] medians(int rounds, int calls, IntSupplier... contenders) {
        double[][] times = new double[contenders.length][rounds];
        for (int warm = 0; warm < 3; warm++) {
            for (IntSupplier c : contenders) timeBatch(c, calls);
        }
        for (int r = 0; r < rounds; r++) {
            for (int c = 0; c < contenders.length; c++) times[c][r] = timeBatch(contenders[c], calls);
        }
        double[] result = new double[contenders.length];
        for (int c = 0; c < contenders.length; c++) {
            Arrays.sort(times[c]);
            result[c] = times[c][rounds / 2];
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
            double[] t = medians(rounds, calls,
                    () -> Float.floatToRawIntBits(nativeLevel(bytes, size)),
                    () -> Float.floatToRawIntBits(JavaLevel.level(bytes, size)));
            System.out.printf("  %8d bytes  native %12.1f  java %12.1f  java/native %6.2f  (same bits: %s)%n",
                    size, t[0], t[1], t[1] / t[0], Float.toString(actual));
        }

        System.out.println("strings: against NewString alone (ns per call)");
        if (com.quorindel.veltrane.D.A.g103(8).length() != 92) throw new AssertionError("g103 8");
        if (com.quorindel.veltrane.J.D.g301(8).length() != 5) throw new AssertionError("g301 8");
        int calls = 2_000_000;
        double[] t = medians(rounds, calls,
                () -> com.quorindel.veltrane.D.A.g103(8).length(),
                () -> Floor.text92(8).length(),
                () -> com.quorindel.veltrane.J.D.g301(8).length(),
                () -> Floor.text5(8).length());
        System.out.printf("  g103(8), 92 chars  %8.1f  floor %8.1f  ratio %5.2f%n", t[0], t[1], t[0] / t[1]);
        System.out.printf("  g301(8),  5 chars  %8.1f  floor %8.1f  ratio %5.2f%n", t[2], t[3], t[2] / t[3]);
        System.out.println("(sink " + sink + ")");
    }
}
