package com.quorindel.veltrane.probe;

import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

/**
 * Where the probe runs: which registry the library will read, and loading the library the
 * way the application does.
 */
public final class Environment {
    static final String LIBRARY = "VeltraneWin32DLL";
    static final String REGISTRY_VARIABLE = "VELTRANE_REGISTRY";

    private final boolean windows;
    private final String registryFile;  // null: none named
    private String registryError;       // "file:line: reason" when the file does not load

    Environment(boolean windows, String registryFile) {
        this.windows = windows;
        this.registryFile = registryFile == null || registryFile.isEmpty() ? null : registryFile;
    }

    static Environment current() {
        boolean windows = System.getProperty("os.name", "").startsWith("Windows");
        return new Environment(windows, windows ? null : System.getenv(REGISTRY_VARIABLE));
    }

    /**
     * A named registry file must exist; when it does not load, the library sees an empty
     * registry, and the report says why.
     */
    void checkRegistryFile() throws ProbeFailure {
        if (windows || registryFile == null) {
            return;
        }
        Path file = Paths.get(registryFile);
        if (!Files.isRegularFile(file)) {
            throw new ProbeFailure("registry file " + registryFile + " (" + REGISTRY_VARIABLE
                    + ") does not exist or is not a file");
        }
        if (!Files.isReadable(file)) {
            throw new ProbeFailure("registry file " + registryFile + " (" + REGISTRY_VARIABLE
                    + ") cannot be read");
        }
        registryError = RegistryCheck.diagnose(registryFile);
    }

    /** System.loadLibrary, as the application calls it. */
    void loadLibrary() throws ProbeFailure {
        try {
            System.loadLibrary(LIBRARY);
        } catch (UnsatisfiedLinkError e) {
            throw new ProbeFailure("cannot load " + LIBRARY + ": " + e.getMessage()
                    + " (name the folder that holds it with -Djava.library.path=...)");
        }
    }

    /** The report's header: which registry the library read. */
    SectionReport describe() {
        SectionReport header = new SectionReport("registry", "Registry");
        if (windows) {
            header.fact("source", "windows").note("The library read the Windows registry.");
        } else if (registryFile == null) {
            header.fact("source", "none").fact("file", null);
            header.note(REGISTRY_VARIABLE + " is not set: the library read an empty registry.");
        } else {
            header.fact("source", "file").fact("file", registryFile);
            header.fact("error", registryError);
            if (registryError == null) {
                header.note("The library read the registry file " + registryFile + ".");
            } else {
                header.fail("The registry file does not load, so the library read an empty "
                        + "registry: " + registryError);
            }
        }
        return header;
    }
}
