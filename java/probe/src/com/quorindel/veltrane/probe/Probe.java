package com.quorindel.veltrane.probe;

import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
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
            "Usage: java -Djava.library.path=<folder> -jar veltrane-probe.jar [--json]\n"
                    + "       [--show-password] [--version] [--help]\n"
                    + "\n"
                    + "Loads VeltraneWin32DLL the way the application does and prints what the\n"
                    + "application would see.\n"
                    + "\n"
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
        PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true,
                StandardCharsets.UTF_8);
        PrintStream err = new PrintStream(new FileOutputStream(FileDescriptor.err), true,
                StandardCharsets.UTF_8);
        System.exit(run(args, Environment.current(), out, err));
    }

    static int run(String[] args, Environment environment, PrintStream out, PrintStream err) {
        boolean json = false;
        boolean showPassword = false;
        for (String arg : args) {
            switch (arg) {
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
                    err.println("veltrane-probe: unknown option '" + arg + "'");
                    err.println("Try 'veltrane-probe --help'.");
                    return EXIT_USAGE;
            }
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
        SectionReport header = environment.describe();
        if (json) {
            List<SectionReport> all = new ArrayList<>();
            all.add(header);
            all.addAll(reports);
            out.println(SectionReport.toJson(all));
        } else {
            out.print(header.toText());
            for (SectionReport report : reports) {
                out.print(report.toText());
            }
        }
        out.flush();
        boolean failed = header.failed() || reports.stream().anyMatch(SectionReport::failed);
        return failed ? EXIT_FAILED : EXIT_OK;
    }
}
