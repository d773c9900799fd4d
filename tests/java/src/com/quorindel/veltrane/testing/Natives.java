package com.quorindel.veltrane.testing;

import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * The native methods of VeltraneWin32DLL by name ("g401"), found from the jni rows of
 * exports/exports.txt and reached by reflection: test sources cannot name the class
 * com.quorindel.veltrane.E and the package com.quorindel.veltrane.E.B in one compilation.
 */
public final class Natives {
    public static final String LIBRARY = "VeltraneWin32DLL";
    private static final Pattern ROW =
        Pattern.compile("jni Java_com_quorindel_veltrane_(\\w+)_(\\w+) .*");
    private static Map<String, Method> methods;

    private Natives() {}

    /** Every native method by name; loads the library on the first call. */
    public static synchronized Map<String, Method> all() throws Exception {
        if (methods != null)
            return methods;
        System.loadLibrary(LIBRARY);
        methods = new TreeMap<>();
        for (String row : Files.readAllLines(SOURCE.resolve("exports/exports.txt"))) {
            Matcher jni = ROW.matcher(row); // the class path, then the method (no _ in it)
            if (!jni.matches())
                continue;
            String type = "com.quorindel.veltrane." + jni.group(1).replace('_', '.');
            for (Method m : Class.forName(type).getDeclaredMethods()) {
                if (m.getName().equals(jni.group(2)))
                    methods.put(m.getName(), m);
            }
        }
        return methods;
    }

    /** Calls the native method (what it throws comes wrapped in InvocationTargetException). */
    @SuppressWarnings("unchecked")
    public static <T> T call(String name, Object... args) throws Exception {
        return (T) all().get(name).invoke(null, args);
    }

    /** The source tree. */
    public static final Path SOURCE = Path.of(System.getProperty("veltrane.source.dir"));

    /** The lines of tests/fixtures/NAME but blank ones and comments, split at tabs. */
    public static List<String[]> rows(String name) throws Exception {
        return Files.readAllLines(SOURCE.resolve("tests/fixtures/" + name))
            .stream()
            .filter(line -> !line.isEmpty() && !line.startsWith("#"))
            .map(line -> line.split("\t", -1))
            .toList();
    }
}
