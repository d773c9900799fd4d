package com.quorindel.veltrane.catalogue;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.level.LevelReference;
import com.quorindel.veltrane.testing.Natives;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.concurrent.Callable;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.Test;

/** Eight threads calling the fifteen methods of the catalogue, the tokens and the meter at once. */
class ConcurrentCallsTest {
    private static final int THREADS = 8;
    private static final int ROUNDS = 300;

    @Test
    void eightThreadsGetTheSameAnswersAsOne() throws Exception {
        // The answers of a single thread first.
        Map<String, String> statements = new HashMap<>();
        for (Catalogue.Method m : Catalogue.METHODS) {
            for (int code = 0; code <= m.lastCode() + 1; code++) {
                statements.put(m.name() + "/" + code, m.statement(code));
            }
        }
        Map<Integer, String> tokens = new HashMap<>();
        for (int code = -1; code <= 10; code++) tokens.put(code, Natives.call("J.D", "g301", code));
        byte[][] buffers = new byte[THREADS][];
        float[] levels = new float[THREADS];
        Random random = new Random(8);
        for (int t = 0; t < THREADS; t++) {
            buffers[t] = new byte[2000 + 5000 * t];
            random.nextBytes(buffers[t]);
            levels[t] = LevelReference.level(buffers[t], buffers[t].length);
        }

        CyclicBarrier start = new CyclicBarrier(THREADS);
        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        try {
            List<Future<Integer>> results = new ArrayList<>();
            for (int t = 0; t < THREADS; t++) {
                final int thread = t;
                Callable<Integer> work = () -> {
                    start.await();
                    int checked = 0;
                    for (int round = 0; round < ROUNDS; round++) {
                        for (Catalogue.Method m : Catalogue.METHODS) {
                            int code = (round + thread) % (m.lastCode() + 2);
                            assertEquals(statements.get(m.name() + "/" + code), m.statement(code));
                            checked++;
                        }
                        int tokenCode = (round + thread) % 12 - 1;
                        assertEquals(tokens.get(tokenCode), Natives.call("J.D", "g301", tokenCode));
                        byte[] bytes = buffers[(round + thread) % THREADS];
                        float level = Natives.call("E.A.A", "g501", bytes, bytes.length);
                        assertEquals(Float.floatToRawIntBits(levels[(round + thread) % THREADS]),
                                Float.floatToRawIntBits(level));
                        checked += 2;
                    }
                    return checked;
                };
                results.add(pool.submit(work));
            }
            for (Future<Integer> result : results) assertEquals(ROUNDS * 15, result.get());
        } finally {
            pool.shutdownNow();
        }
    }
}
