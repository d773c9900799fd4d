package com.quorindel.veltrane.testing;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * The native methods of VeltraneWin32DLL, reached by reflection: test sources cannot name
 * the class com.quorindel.veltrane.E and the package com.quorindel.veltrane.E.B in one
 * compilation.
 *
 * <pre>
 *   String[] init = Natives.call("E.B.D", "g401", 3);
 *   String sql = Natives.call("F.C", "g109", "A", 2);
 * </pre>
 */
public final class Natives {
    public static final String LIBRARY = "VeltraneWin32DLL";
    public static final String PACKAGE = "com.quorindel.veltrane";

    private static boolean loaded;

    private Natives() {}

    /**
     * Loads the library once into this class's loader, which is also the loader of the
     * declaring classes, so the JVM binds their native methods to it.
     */
    public static synchronized void load() {
        if (!loaded) {
            System.loadLibrary(LIBRARY);
            loaded = true;
        }
    }

    /** The declaring class, named below the package: "E", "E.B.D", "J.D". */
    public static Class<?> declaringClass(String className) {
        try {
            return Class.forName(PACKAGE + "." + className, true, Natives.class.getClassLoader());
        } catch (ClassNotFoundException e) {
            throw new IllegalArgumentException("no class " + PACKAGE + "." + className, e);
        }
    }

    /** The static native method {@code name} of the class; the names are unique per class. */
    public static Method method(String className, String name) {
        Class<?> type = declaringClass(className);
        for (Method m : type.getDeclaredMethods()) {
            if (m.getName().equals(name)) {
                if (!Modifier.isNative(m.getModifiers()) || !Modifier.isStatic(m.getModifiers())) {
                    throw new IllegalArgumentException(m + " is not a static native method");
                }
                return m;
            }
        }
        throw new IllegalArgumentException("no method " + name + " in " + type.getName());
    }

    /**
     * Loads the library if need be and calls the native method with the arguments (boxed
     * primitives are unboxed, arrays are passed as they are). What the native method throws
     * is thrown as it is.
     */
    @SuppressWarnings("unchecked")
    public static <T> T call(String className, String name, Object... args) {
        load();
        Method m = method(className, name);
        try {
            return (T) m.invoke(null, args);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            if (cause instanceof RuntimeException r) throw r;
            if (cause instanceof Error err) throw err;
            throw new IllegalStateException(cause);
        } catch (IllegalAccessException e) {
            throw new IllegalStateException(e);
        }
    }
}
