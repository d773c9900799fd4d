package com.quorindel.veltrane.credentials;

import com.quorindel.veltrane.testing.Natives;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Child JVM for CredentialsTest: THREADS threads each call g201 and g202 CALLS times,
 * released together, and every answer is compared with the first pair. Prints the count
 * and exits with 1 when any answer was null, empty or different.
 *
 * <pre>  CredentialHammer THREADS CALLS</pre>
 */
public final class CredentialHammer {
    private CredentialHammer() {}

    public static void main(String[] args) throws InterruptedException {
        int threads = Integer.parseInt(args[0]);
        int calls = Integer.parseInt(args[1]);
        String user = Natives.call("J.D", "g201", (Object) null);
        String password = Natives.call("J.D", "g202", (Object) null);
        if (user == null || user.isEmpty() || password == null || password.isEmpty()) {
            System.out.println("the first calls failed: " + user + ", " + password);
            System.exit(1);
        }
        AtomicInteger wrong = new AtomicInteger();
        CountDownLatch start = new CountDownLatch(1);
        List<Thread> workers = new ArrayList<>();
        for (int t = 0; t < threads; t++) {
            String argument = t % 2 == 0 ? null : "thread " + t;
            Thread worker = new Thread(() -> {
                try {
                    start.await();
                } catch (InterruptedException e) {
                    return;
                }
                for (int i = 0; i < calls; i++) {
                    if (!user.equals(Natives.call("J.D", "g201", argument))) wrong.incrementAndGet();
                    if (!password.equals(Natives.call("J.D", "g202", argument))) {
                        wrong.incrementAndGet();
                    }
                }
            });
            worker.start();
            workers.add(worker);
        }
        start.countDown();
        for (Thread worker : workers) worker.join();
        int total = threads * calls * 2;
        if (wrong.get() != 0) {
            System.out.println(wrong.get() + " of " + total + " calls wrong");
            System.exit(1);
        }
        // The password's length only, never its text.
        System.out.println(total + " calls, all correct; user " + user.length()
                           + " characters, password " + password.length() + " characters");
    }
}
