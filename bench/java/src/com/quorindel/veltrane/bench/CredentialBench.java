package com.quorindel.veltrane.bench;

import java.util.Arrays;
import java.util.function.IntSupplier;

/**
 * g201 and g202 against a native method that does nothing but NewString of as many
 * characters, side by side in one JVM: batches of each measured in turn, after warm-up,
 * median of the rounds.
 *
 * <p>Usage: CredentialBench [rounds] [calls per batch]
 */
public final class CredentialBench {
    private static int sink;

    private CredentialBench() {}

    private static double nanosPerCall(IntSupplier work, int calls) {
        long start = System.nanoTime();
        int acc = 0;
        for (int i = 0; i < calls; i++) acc += work.getAsInt();
        sink += acc;
        return (double) (System.nanoTime() - start) / calls;
    }

    public static void main(String[] args) {
        System.loadLibrary("VeltraneWin32DLL");
        System.loadLibrary("veltrane_bench_floor");
        int rounds = args.length > 0 ? Integer.parseInt(args[0]) : 9;
        int calls = args.length > 1 ? Integer.parseInt(args[1]) : 20_000;
        String user = com.quorindel.veltrane.J.D.g201(null);
        if (user.length() != Floor.text7(null).length()) {
            System.out.println("note: the user name has " + user.length()
                               + " characters, the floor 7");
        }
        IntSupplier[] contenders = {
            () -> com.quorindel.veltrane.J.D.g201(null).length(),
            () -> com.quorindel.veltrane.J.D.g202(null).length(),
            () -> Floor.text7(null).length(),
        };
        double[][] times = new double[contenders.length][rounds];
        for (int warm = 0; warm < 3; warm++) {
            for (IntSupplier c : contenders) nanosPerCall(c, calls);
        }
        for (int r = 0; r < rounds; r++) {
            for (int c = 0; c < contenders.length; c++) times[c][r] = nanosPerCall(contenders[c], calls);
        }
        double[] median = new double[contenders.length];
        for (int c = 0; c < contenders.length; c++) {
            Arrays.sort(times[c]);
            median[c] = times[c][rounds / 2];
        }
        System.out.printf("ns per call, median of %d rounds of %d calls%n", rounds, calls);
        System.out.printf("  g201   %10.1f  (%.2f us)  ratio to floor %7.1f%n", median[0],
                          median[0] / 1000, median[0] / median[2]);
        System.out.printf("  g202   %10.1f  (%.2f us)  ratio to floor %7.1f%n", median[1],
                          median[1] / 1000, median[1] / median[2]);
        System.out.printf("  floor  %10.1f  (NewString of 7 characters)%n", median[2]);
        System.out.println("(sink " + sink + ")");
    }
}
