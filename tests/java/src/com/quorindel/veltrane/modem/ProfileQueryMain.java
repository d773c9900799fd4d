package com.quorindel.veltrane.modem;

import com.quorindel.veltrane.testing.Natives;
import java.util.ArrayList;
import java.util.List;
import java.util.Objects;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Child JVM for the profile tests: loads the library (discovery runs at load, on the
 * registry this process sees) and prints what g401 and g402 answer for codes -1 to 37, one
 * line per code: "code kind entries", each entry as hex UTF-16 code units ("-" when empty),
 * kind "list", "text" or "null". With "threads", 8 threads then ask for every code at once,
 * many times, and the last line counts the answers that differ from the first ones.
 */
public final class ProfileQueryMain {
    static final int FIRST_CODE = -1;
    static final int LAST_CODE = 37;

    private ProfileQueryMain() {}

    static String hex(String text) {
        if (text == null) return "null";
        if (text.isEmpty()) return "-";
        StringBuilder out = new StringBuilder();
        for (int i = 0; i < text.length(); i++) {
            out.append(String.format("%04x", (int) text.charAt(i)));
        }
        return out.toString();
    }

    static String answer(String method, int code) {
        Object result = Natives.call("E.B.D", method, code);
        if (result == null) return "null";
        if (result instanceof String text) return "text " + hex(text);
        List<String> parts = new ArrayList<>();
        parts.add("list");
        for (String entry : (String[]) result) parts.add(hex(entry));
        return String.join(" ", parts);
    }

    static List<String> answers() {
        List<String> lines = new ArrayList<>();
        for (int code = FIRST_CODE; code <= LAST_CODE; code++) {
            lines.add(code + " g401 " + answer("g401", code));
            lines.add(code + " g402 " + answer("g402", code));
        }
        return lines;
    }

    public static void main(String[] args) throws InterruptedException {
        Natives.load();
        List<String> first = answers();
        first.forEach(System.out::println);
        if (args.length > 0 && args[0].equals("threads")) {
            AtomicInteger mismatches = new AtomicInteger();
            CountDownLatch start = new CountDownLatch(1);
            List<Thread> threads = new ArrayList<>();
            for (int t = 0; t < 8; t++) {
                Thread thread = new Thread(() -> {
                    try {
                        start.await();
                    } catch (InterruptedException e) {
                        return;
                    }
                    for (int round = 0; round < 50; round++) {
                        if (!Objects.equals(first, answers())) mismatches.incrementAndGet();
                    }
                });
                threads.add(thread);
                thread.start();
            }
            start.countDown();
            for (Thread thread : threads) thread.join();
            System.out.println("threads mismatches " + mismatches.get());
        }
    }
}
