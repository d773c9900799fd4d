package com.quorindel.veltrane.probe;

import java.io.File;
import java.net.URISyntaxException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.security.CodeSource;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * A native library loaded the way the application loads it, with System.loadLibrary, and
 * when that fails, by its full path from where an unpacked archive or a build puts it beside
 * the probe's jar: the jar's own folder, its lib/ and the build's bin/. The working directory
 * is never searched, since the application would not search it either.
 */
final class NativeLibrary {
    /** Below the folder that holds the probe's jar: the archive's layout and the build's. */
    private static final String[] FOLDERS_BESIDE_JAR = {"", "lib", "bin"};

    /** The JVM's words (Windows) when a DLL is not as wide as the JVM itself. */
    private static final Pattern WIDTH_MISMATCH =
            Pattern.compile("Can't load (.+?)-bit \\.dll on a (.+?)-bit platform");

    /** The file loaded; null when System.loadLibrary found it somewhere we cannot name. */
    final String path;
    final boolean foundByLoadLibrary;

    private NativeLibrary(String path, boolean foundByLoadLibrary) {
        this.path = path;
        this.foundByLoadLibrary = foundByLoadLibrary;
    }

    /**
     * Loads {@code name}; {@code what} names it in a failure ("VeltraneWin32DLL", "the
     * probe's helper VeltraneProbe").
     */
    static NativeLibrary load(String name, String what) throws ProbeFailure {
        UnsatisfiedLinkError notFound;
        try {
            System.loadLibrary(name);
            return new NativeLibrary(onLibraryPath(name), true);
        } catch (UnsatisfiedLinkError e) {
            failIfTooWideOrNarrow(what, e);
            notFound = e;
        }
        for (Path folder : foldersBesideJar()) {
            Path file = folder.resolve(System.mapLibraryName(name));
            if (!Files.isRegularFile(file)) {
                continue;
            }
            try {
                System.load(file.toString());
                return new NativeLibrary(file.toString(), false);
            } catch (UnsatisfiedLinkError e) {
                failIfTooWideOrNarrow(what, e);
                throw new ProbeFailure("cannot load " + what + " from " + file + ": "
                        + e.getMessage());
            }
        }
        throw new ProbeFailure("cannot load " + what + ": " + notFound.getMessage()
                + " (name the folder that holds it with -Djava.library.path=...)");
    }

    /** The first file of that name in the folders System.loadLibrary searches. */
    private static String onLibraryPath(String name) {
        String file = System.mapLibraryName(name);
        for (String property : new String[] {"sun.boot.library.path", "java.library.path"}) {
            for (String folder : System.getProperty(property, "").split(File.pathSeparator)) {
                if (folder.isEmpty()) {
                    continue;
                }
                Path candidate = Paths.get(folder, file);
                if (Files.isRegularFile(candidate)) {
                    return candidate.toAbsolutePath().toString();
                }
            }
        }
        return null;
    }

    private static List<Path> foldersBesideJar() {
        List<Path> folders = new ArrayList<>();
        try {
            CodeSource source = NativeLibrary.class.getProtectionDomain().getCodeSource();
            if (source == null || source.getLocation() == null) {
                return folders;
            }
            Path jar = Paths.get(source.getLocation().toURI()).toAbsolutePath();
            if (!Files.isRegularFile(jar)) {
                return folders;  // classes run from a folder: no archive around them
            }
            for (String below : FOLDERS_BESIDE_JAR) {
                folders.add(jar.getParent().resolve(below));
            }
        } catch (URISyntaxException | RuntimeException e) {
            // A jar we cannot locate: only System.loadLibrary counts.
        }
        return folders;
    }

    private static void failIfTooWideOrNarrow(String what, UnsatisfiedLinkError e)
            throws ProbeFailure {
        String explained = explainWidthMismatch(e.getMessage(), System.getProperty("os.arch"),
                System.getProperty("sun.arch.data.model"));
        if (explained != null) {
            throw new ProbeFailure("cannot load " + what + ": " + explained);
        }
    }

    /**
     * Plain words for the JVM's "Can't load IA 32-bit .dll on a AMD 64-bit platform" (and
     * the reverse): which JVM runs, which DLL it found and which archive fits; null for any
     * other failure.
     */
    static String explainWidthMismatch(String message, String osArch, String dataModel) {
        if (message == null) {
            return null;
        }
        Matcher mismatch = WIDTH_MISMATCH.matcher(message);
        if (!mismatch.find()) {
            return null;
        }
        String dll = message.substring(0, mismatch.start()).replaceFirst(":\\s*$", "");
        String dllWidth = widthOf(mismatch.group(1));
        String jvmWidth = "32".equals(dataModel) || "64".equals(dataModel)
                ? dataModel : widthOf(mismatch.group(2));
        String archive = "64".equals(jvmWidth) ? "windows-x86_64"
                : "32".equals(jvmWidth) ? "windows-x86" : null;
        StringBuilder text = new StringBuilder();
        text.append("the DLL ").append(dll.isEmpty() ? "found" : dll).append(" is ")
                .append(dllWidth).append("-bit (").append(mismatch.group(1)).append("), but this ")
                .append("Java runs ").append(jvmWidth).append("-bit (os.arch=").append(osArch)
                .append(", sun.arch.data.model=").append(dataModel).append("), and a Java ")
                .append("loads only a DLL as wide as itself. ");
        if (archive != null) {
            text.append("With this Java use the DLL of the ").append(archive)
                    .append(" archive; ");
        } else {
            text.append("No archive has a DLL for this Java; ");
        }
        return text.append("or run the probe with the Java the application ships (set ")
                .append("JAVA_HOME to it), whose width decides which DLL the application ")
                .append("needs.").toString();
    }

    /** "IA 32" is 32, "AMD 64" is 64: the JVM's names for the two widths. */
    private static String widthOf(String platform) {
        return platform.endsWith("64") ? "64" : platform.endsWith("32") ? "32" : platform;
    }
}
