package com.quorindel.veltrane.testing;

import java.lang.reflect.Method;
import java.nio.file.*;
import java.util.*;
import java.util.regex.*;

// The native methods by name ("g401"), from the jni rows of exports/exports.txt, by reflection:
// no compilation can name both the class com.quorindel.veltrane.E and the package ...E.B.
public final class Natives {
    public static final Path SOURCE = Path.of(System.getProperty("veltrane.source.dir"));
    private static final Pattern ROW = Pattern.compile("jni Java_(com_\\w+)_(\\w+) .*");
    private static Map<String, Method> methods;

    /** Every native method by name; loads the library on the first call. */
    public static synchronized Map<String, Method> all() throws Exception {
        if (methods != null) return methods;
        System.loadLibrary("VeltraneWin32DLL");
        methods = new TreeMap<>();
        for (String row : Files.readAllLines(SOURCE.resolve("exports/exports.txt"))) {
            Matcher jni = ROW.matcher(row); // the class path, then the method (no _ in it)
            if (!jni.matches()) continue;
            for (Method m : Class.forName(jni.group(1).replace('_', '.')).getDeclaredMethods())
                if (m.getName().equals(jni.group(2))) methods.put(m.getName(), m);
        }
        return methods;
    }

    @SuppressWarnings("unchecked")
    public static <T> T call(String name, Object... args) throws Exception {
        return (T) all().get(name).invoke(null, args);
    }

    /** The lines of tests/fixtures/NAME but blank ones and comments, split at tabs. */
    public static List<String[]> rows(String name) throws Exception {
        return Files.readAllLines(SOURCE.resolve("tests/fixtures/" + name)).stream()
            .filter(line -> !line.isEmpty() && !line.startsWith("#"))
            .map(line -> line.split("\t", -1))
            .toList();
    }
}
