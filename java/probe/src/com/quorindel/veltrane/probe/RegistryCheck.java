package com.quorindel.veltrane.probe;

/**
 * The probe's helper libVeltraneProbe (Linux only): diagnoses a registry file with the
 * library's own loader, because the library itself reports nothing about the file it reads,
 * and names a file for the library before it loads.
 */
final class RegistryCheck {
    private static final String LIBRARY = "VeltraneProbe";
    private static boolean loaded;

    private RegistryCheck() {}

    /** Null when the file loads, otherwise "file:line: reason". */
    static String diagnose(String path) throws ProbeFailure {
        load();
        return diagnoseFile(path);
    }

    /**
     * Sets VELTRANE_REGISTRY in this process, where the library reads it when it loads (Java
     * can change only its own copy of the environment).
     */
    static void nameForLibrary(String path) throws ProbeFailure {
        load();
        if (!setRegistryVariable(path)) {
            throw new ProbeFailure("cannot set " + Environment.REGISTRY_VARIABLE + " to " + path);
        }
    }

    private static void load() throws ProbeFailure {
        if (!loaded) {
            NativeLibrary.load(LIBRARY, "the probe's helper " + LIBRARY);
            loaded = true;
        }
    }

    private static native String diagnoseFile(String path);

    private static native boolean setRegistryVariable(String path);
}
