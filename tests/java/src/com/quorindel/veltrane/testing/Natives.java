package com.quorindel.veltrane.testing;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Map;
import java.util.TreeMap;

/**
 * The native methods of VeltraneWin32DLL by name ("g401"), found from the jni rows of
 * exports/exports.txt and reached by reflection: test sources cannot name the class
 * com.quorindel.veltrane.E and the package com.quorindel.veltrane.E.B in one compilation.
 */
public final class Natives {
    public static final String LIBRARY = "VeltraneWin32DLL";
    private static final String PREFIX = "Java_com_quorindel_veltrane_";
    private static Map<String, Method> methods;

    private Natives() {}

    /** Every native method by name; loads the library on the first call. */
    public static synchronized Map<String, Method> all() throws Exception {
        if (methods != null)
            return methods;
        System.loadLibrary(LIBRARY);
        methods = new TreeMap<>();
        for (String row : Files.readAllLines(source("exports/exports.txt"))) {
            String[] f = row.split(" ");
            if (!f[0].equals("jni"))
                continue;
            String jniName = f[1].substring(PREFIX.length());
            int at = jniName.lastIndexOf('_');
            String type = "com.quorindel.veltrane." + jniName.substring(0, at).replace('_', '.');
            String name = jniName.substring(at + 1);
            for (Method m : Class.forName(type).getDeclaredMethods()) {
                if (m.getName().equals(name))
                    methods.put(name, m);
            }
        }
        return methods;
    }

    /** Calls the native method; what it throws is thrown as it is. */
    @SuppressWarnings("unchecked")
    public static <T> T call(String name, Object... args) throws Exception {
        try {
            return (T) all().get(name).invoke(null, args);
        } catch (InvocationTargetException e) {
            throw e.getCause() instanceof Exception cause ? cause : e;
        }
    }

    /** A file of the source tree. */
    public static Path source(String relative) {
        return Path.of(System.getProperty("veltrane.source.dir")).resolve(relative);
    }
}
