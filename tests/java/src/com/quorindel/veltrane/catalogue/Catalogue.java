package com.quorindel.veltrane.catalogue;

import com.quorindel.veltrane.testing.Natives;
import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;

/** The statement methods by table, and the catalogue's codes from tests/fixtures/catalogue. */
public final class Catalogue {
    /** One statement of the catalogue: its table and its code. */
    public record Entry(char table, int code) {}

    /** The class declaring each table's method, and the method. */
    private static final Map<Character, String[]> METHODS = Map.ofEntries(
            Map.entry('M', new String[] {"E", "g101"}), Map.entry('G', new String[] {"D.B", "g102"}),
            Map.entry('F', new String[] {"D.A", "g103"}), Map.entry('K', new String[] {"I.C", "g104"}),
            Map.entry('C', new String[] {"I.H", "g105"}), Map.entry('B', new String[] {"I.G", "g106"}),
            Map.entry('L', new String[] {"I.D", "g107"}), Map.entry('E', new String[] {"I.B", "g108"}),
            Map.entry('J', new String[] {"F.C", "g109"}), Map.entry('H', new String[] {"A.B", "g110"}),
            Map.entry('I', new String[] {"A.A", "g111"}), Map.entry('A', new String[] {"I.F", "g112"}),
            Map.entry('N', new String[] {"E.B.E", "g113"}));

    private Catalogue() {}

    /** Every statement the fixture lists, as table and code. */
    public static List<Entry> entries() {
        Path file = Path.of(System.getProperty("veltrane.source.dir"), "tests", "fixtures", "catalogue",
                "statements.tsv");
        try {
            return Files.readAllLines(file).stream()
                    .filter(line -> !line.isEmpty() && !line.startsWith("#"))
                    .map(line -> line.split("\t", 3))
                    .map(f -> new Entry(tableOf(f[0]), Integer.parseInt(f[1])))
                    .toList();
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }

    private static char tableOf(String method) {
        for (var e : METHODS.entrySet()) {
            if (e.getValue()[1].equals(method)) return e.getKey();
        }
        throw new IllegalArgumentException("no table for " + method);
    }

    /** The statement of the table with that code, fetched through JNI; fails when there is none. */
    public static String sql(char table, int code) {
        String[] m = METHODS.get(table);
        String text = m[1].equals("g109") ? Natives.call(m[0], m[1], "ignored", code)
                                          : Natives.call(m[0], m[1], code);
        if (text == null) throw new IllegalStateException("no statement " + code + " of " + table);
        return text;
    }
}
