package com.quorindel.veltrane.probe;

import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.io.UnsupportedEncodingException;
import java.util.ArrayList;
import java.util.List;

/**
 * Loads VeltraneWin32DLL as the application does and prints what the application would see,
 * one section after another, as text or as JSON.
 *
 * <p>Exit status: 0 when every section could report (also when no modem was found), 1 when
 * the library or its registry could not be used, 2 for a wrong command line.
 */
public final class Probe {
    static final int EXIT_OK = 0;
    static final int EXIT_FAILED = 1;
    static final int EXIT_USAGE = 2;

    private static final String USAGE =
            "Usage: veltrane-probe [--registry FILE] [--json] [--show-password] [--version]\n"
                    + "       [--help]\n"
                    + "\n"
                    + "Loads VeltraneWin32DLL the way the application does and prints what the\n"
                    + "application would see. When System.loadLibrary does not find the library,\n"
                    + "the probe loads it from beside its jar (its folder, lib/, bin/) and says\n"
                    + "that the application would not find it.\n"
                    + "\n"
                    + "  --registry FILE   the registry file the library reads, in place of\n"
                    + "                    VELTRANE_REGISTRY (not on Windows)\n"
                    + "  --json   print the report as one JSON object\n"
                    + "  --show-password   print the database password (otherwise only its length)\n"
                    + "  --version   print the probe's version, which is the library package's\n"
                    + "  --help   print this text\n"
                    + "\n"
                    + "On Windows the library reads the machine's registry. Elsewhere it reads the\n"
                    + "regedit export or Wine hive file named by the environment variable\n"
                    + "VELTRANE_REGISTRY (no file: an empty registry).\n";

    private Probe() {}

    /** The sections, in the order they are printed. */
    static List<Section> sections(Environment environment, boolean showPassword) {
        List<Section> sections = new ArrayList<>();
        sections.add(new ModemSection(environment));
        sections.add(new CredentialSection(environment, showPassword));
        sections.add(new CatalogueSection(environment));
        sections.add(new TokenSection(environment));
        sections.add(new LevelSection(environment));
        return sections;
    }

    /** The version the build wrote into the jar's manifest; "unknown" outside the jar. */
    static String version() {
        String version = Probe.class.getPackage().getImplementationVersion();
        return version != null ? version : "unknown";
    }

    public static void main(String[] args) {
        // UTF-8 whatever the locale, so that no text of the registry is lost on the way out.
        PrintStream out = utf8(FileDescriptor.out);
        PrintStream err = utf8(FileDescriptor.err);
        System.exit(run(args, Environment.current(), out, err));
    }

    private static PrintStream utf8(FileDescriptor descriptor) {
        try {
            return new PrintStream(new FileOutputStream(descriptor), true, "UTF-8");
        } catch (UnsupportedEncodingException e) {
            throw new AssertionError("every Java has UTF-8", e);
        }
    }

    static int run(String[] args, Environment environment, PrintStream out, PrintStream err) {
        boolean json = false;
        boolean showPassword = false;
        String registry = null;
        for (int i = 0; i < args.length; i++) {
            String arg = args[i];
            switch (arg) {
                case Environment.REGISTRY_OPTION:
                    if (i + 1 == args.length) {
                        return usageError(err, "option '" + arg + "' needs a file");
                    }
                    registry = args[++i];
                    break;
                case "--json":
                    json = true;
                    break;
                case "--show-password":
                    showPassword = true;
                    break;
                case "--help":
                case "-h":
                    out.print(USAGE);
                    return EXIT_OK;
                case "--version":
                    out.println("veltrane-probe " + version());
                    return EXIT_OK;
                default:
                    return usageError(err, "unknown option '" + arg + "'");
            }
        }
        if (registry != null) {
            if (environment.windows()) {
                err.println("veltrane-probe: " + Environment.REGISTRY_OPTION + " is for Linux: "
                        + "on Windows the library reads the machine's registry.");
                return EXIT_USAGE;
            }
            environment = environment.withRegistryOption(registry);
        }
        List<SectionReport> reports = new ArrayList<>();
        try {
            environment.checkRegistryFile();
            environment.loadLibrary();
            for (Section section : sections(environment, showPassword)) {
                reports.add(section.run());
            }
        } catch (ProbeFailure failure) {
            err.println("veltrane-probe: " + failure.getMessage());
            return EXIT_FAILED;
        }
        reports.add(0, environment.describeLibrary());
        reports.add(1, environment.describe());
        if (json) {
            out.println(SectionReport.toJson(reports));
        } else {
            for (SectionReport report : reports) {
                out.print(report.toText());
            }
        }
        out.flush();
        return reports.stream().anyMatch(SectionReport::failed) ? EXIT_FAILED : EXIT_OK;
    }

    private static int usageError(PrintStream err, String message) {
        err.println("veltrane-probe: " + message);
        err.println("Try 'veltrane-probe --help'.");
        return EXIT_USAGE;
    }
}
