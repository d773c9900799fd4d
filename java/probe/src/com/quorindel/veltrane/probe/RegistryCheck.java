package com.quorindel.veltrane.probe;

/**
 * Diagnoses a registry file with the library's own loader (libVeltraneProbe, Linux only),
 * because the library itself reports nothing about the file it reads.
 */
final class RegistryCheck {
    private static final String LIBRARY = "VeltraneProbe";

    private RegistryCheck() {}

    /** Null when the file loads, otherwise "file:line: reason". */
    static String diagnose(String path) throws ProbeFailure {
        try {
            System.loadLibrary(LIBRARY);
        } catch (UnsatisfiedLinkError e) {
            throw new ProbeFailure("cannot load the probe's helper " + LIBRARY + ": "
                    + e.getMessage());
        }
        return diagnoseFile(path);
    }

    private static native String diagnoseFile(String path);
}
