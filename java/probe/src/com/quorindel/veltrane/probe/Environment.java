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
    static final String REGISTRY_OPTION = "--registry";

    private final boolean windows;
    private final String registryFile;    // null: none named
    private final String registryOrigin;  // the variable or the option that named it
    private String registryError;         // "file:line: reason" when the file does not load
    private NativeLibrary library;        // once loaded

    private Environment(boolean windows, String registryFile, String registryOrigin) {
        this.windows = windows;
        this.registryFile = registryFile == null || registryFile.isEmpty() ? null : registryFile;
        this.registryOrigin = registryOrigin;
    }

    static Environment current() {
        boolean windows = System.getProperty("os.name", "").startsWith("Windows");
        return new Environment(windows, windows ? null : System.getenv(REGISTRY_VARIABLE),
                REGISTRY_VARIABLE);
    }

    boolean windows() {
        return windows;
    }

    /** The registry file named on the command line, in place of the variable. */
    Environment withRegistryOption(String file) {
        return new Environment(windows, file, REGISTRY_OPTION);
    }

    /**
     * A named registry file must exist; when it does not load (it is broken, or no regular
     * file, or too large), the library sees an empty registry, and the report says why in the
     * loader's words. A file named by the option is handed to the library through the
     * variable, which it reads when it loads.
     */
    void checkRegistryFile() throws ProbeFailure {
        if (windows || registryFile == null) {
            return;
        }
        Path file = Paths.get(registryFile);
        if (!Files.exists(file)) {
            throw new ProbeFailure("registry file " + registryFile + " (" + registryOrigin
                    + ") does not exist");
        }
        if (!Files.isReadable(file)) {
            throw new ProbeFailure("registry file " + registryFile + " (" + registryOrigin
                    + ") cannot be read");
        }
        registryError = RegistryCheck.diagnose(registryFile);
        if (REGISTRY_OPTION.equals(registryOrigin)) {
            RegistryCheck.nameForLibrary(registryFile);
        }
    }

    /** System.loadLibrary, as the application calls it; else from beside the probe's jar. */
    void loadLibrary() throws ProbeFailure {
        library = NativeLibrary.load(LIBRARY, LIBRARY);
    }

    /** The report's first section: where the library came from. */
    SectionReport describeLibrary() {
        SectionReport report = new SectionReport("library", "Library");
        report.fact("path", library.path).fact("foundByLoadLibrary", library.foundByLoadLibrary);
        if (library.foundByLoadLibrary) {
            report.note("System.loadLibrary(\"" + LIBRARY + "\") loaded "
                    + (library.path != null ? library.path : "it") + ", as the application would.");
        } else {
            Path folder = Paths.get(library.path).getParent();
            report.note("The application, started like this, would NOT find the library: "
                    + "System.loadLibrary(\"" + LIBRARY + "\") does not find it on this "
                    + "Java's library path. The probe loaded " + library.path + " instead. "
                    + "Start the application with -Djava.library.path=" + folder
                    + " or put the library in a folder of its library path.");
        }
        return report;
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
                header.note("The library read the registry file " + registryFile + " ("
                        + registryOrigin + ").");
            } else {
                header.fail("The registry file does not load, so the library read an empty "
                        + "registry: " + registryError);
            }
        }
        return header;
    }
}
