package com.quorindel.veltrane.testing;

import static org.junit.jupiter.api.Assertions.fail;

import java.io.IOException;
import java.io.InputStream;
import java.io.UncheckedIOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * Runs a main class in a fresh JVM: the same java, -Xcheck:jni, the test class path and the
 * library path of the running tests, in a working directory of the caller's choice. For
 * what happens only once per process: attaching the library, emptying the log, detaching.
 *
 * <p>Fails the calling test if the child reports a JNI misuse (the -Xcheck:jni messages
 * listed in tests/java/jni-check-markers.txt), crashes the JVM or hangs.
 */
public final class ChildJvm {
    /** What the child left: its exit code and its standard output and error, interleaved. */
    public record Result(int exitCode, String output) {}

    private static final long TIMEOUT_SECONDS = 120;

    private ChildJvm() {}

    public static Result run(Path workDir, String mainClass, String... args) {
        return run(workDir, Map.of(), mainClass, args);
    }

    public static Result run(Path workDir, Map<String, String> environment, String mainClass,
                             String... args) {
        List<String> command = new ArrayList<>();
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Xcheck:jni");
        command.add("-XX:TieredStopAtLevel=1");
        command.add("-XX:+UseSerialGC");
        command.add("-Djava.library.path=" + System.getProperty("java.library.path"));
        for (String name : new String[] {"veltrane.test.classpath", "veltrane.jni.markers",
                                         "veltrane.source.dir", "veltrane.build.dir"}) {
            String value = System.getProperty(name);
            if (value != null) command.add("-D" + name + "=" + value);
        }
        command.add("-cp");
        command.add(classPath());
        command.add(mainClass);
        command.addAll(List.of(args));

        ProcessBuilder builder = new ProcessBuilder(command);
        builder.directory(workDir.toFile());
        builder.environment().putAll(environment);
        builder.redirectErrorStream(true);
        builder.redirectInput(ProcessBuilder.Redirect.PIPE);
        try {
            Process process = builder.start();
            process.getOutputStream().close();
            StringBuilder output = new StringBuilder();
            Thread reader = new Thread(() -> drain(process.getInputStream(), output));
            reader.start();
            if (!process.waitFor(TIMEOUT_SECONDS, TimeUnit.SECONDS)) {
                process.destroyForcibly().waitFor();
                reader.join();
                fail("child JVM " + mainClass + " still running after " + TIMEOUT_SECONDS
                     + " s; output:\n" + output);
            }
            reader.join();
            Result result = new Result(process.exitValue(), output.toString());
            // Shown with the test's output, so a failure tells what the child said.
            System.out.print(indent(result.output()));
            checkForJniMisuse(result, mainClass);
            checkForCrashReport(workDir, mainClass);
            return result;
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new IllegalStateException(e);
        }
    }

    /** The messages by which -Xcheck:jni and the JVM's crash handler report a fault. */
    public static List<String> jniMarkers() {
        String file = System.getProperty("veltrane.jni.markers");
        if (file == null) {
            throw new IllegalStateException("veltrane.jni.markers is not set: run the tests "
                                            + "through CTest");
        }
        try {
            return Files.readAllLines(Path.of(file)).stream().filter(l -> !l.isBlank()).toList();
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }

    private static void checkForJniMisuse(Result result, String mainClass) {
        for (String marker : jniMarkers()) {
            if (result.output().contains(marker)) {
                fail("child JVM " + mainClass + " reported \"" + marker + "\":\n"
                     + result.output());
            }
        }
    }

    private static void checkForCrashReport(Path workDir, String mainClass) throws IOException {
        try (var files = Files.list(workDir)) {
            List<Path> reports = files.filter(f -> f.getFileName().toString().startsWith("hs_err_pid"))
                                      .toList();
            if (!reports.isEmpty()) {
                fail("child JVM " + mainClass + " crashed: " + reports + "\n"
                     + Files.readString(reports.get(0)));
            }
        }
    }

    private static String classPath() {
        String path = System.getProperty("veltrane.test.classpath");
        return path != null ? path : System.getProperty("java.class.path");
    }

    private static void drain(InputStream in, StringBuilder sink) {
        try (in) {
            byte[] bytes = in.readAllBytes();
            synchronized (sink) {
                sink.append(new String(bytes, StandardCharsets.UTF_8));
            }
        } catch (IOException e) {
            synchronized (sink) {
                sink.append("[reading the child's output failed: ").append(e).append("]\n");
            }
        }
    }

    private static String indent(String text) {
        if (text.isEmpty()) return "";
        StringBuilder out = new StringBuilder();
        for (String line : text.split("\n", -1)) {
            if (!line.isEmpty()) out.append("  [child] ").append(line).append('\n');
        }
        return out.toString();
    }
}
