package com.quorindel.veltrane.catalogue;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import java.nio.file.Files;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;

/**
 * The catalogue's statements, fetched through JNI, run as they stand on an in-memory HSQLDB
 * database: each accepted with one parameter per marker, and the runs of
 * tests/fixtures/catalogue/hsqldb-runs.tsv giving what they list.
 */
class StatementsOnHsqldbTest {
    private static String sql(String method, String code) throws Exception {
        int c = Integer.parseInt(code);
        return method.equals("g109") ? Natives.call(method, "", c) : Natives.call(method, c);
    }

    private static List<String[]> rows(String fixture) throws Exception {
        return Files.readAllLines(Natives.source("tests/fixtures/catalogue/" + fixture))
            .stream()
            .filter(line -> !line.isEmpty() && !line.startsWith("#"))
            .map(line -> line.split("\t", -1))
            .toList();
    }

    private static Object value(String text) {
        if (text.matches("[0-9]+"))
            return Integer.valueOf(text);
        if (text.equals("true") || text.equals("false"))
            return Boolean.valueOf(text);
        return text.equals("null") ? null : text;
    }

    @Test
    void everyStatementIsAcceptedAndTheRunsGiveWhatTheyList() throws Exception {
        try (Connection db = DriverManager.getConnection("jdbc:hsqldb:mem:catalogue", "SA", "")) {
            List<String[]> runs = rows("hsqldb-runs.tsv");
            for (String[] step : runs) {
                if (step[0].equals("create"))
                    db.createStatement().execute(step[1]);
            }
            for (String[] s : rows("statements.tsv")) {
                String text = sql(s[0], s[1]);
                try (PreparedStatement p = db.prepareStatement(text)) {
                    long markers = text.chars().filter(c -> c == '?').count();
                    assertEquals(markers, p.getParameterMetaData().getParameterCount(), text);
                }
            }
            for (String[] step : runs) {
                if (step[0].equals("create"))
                    continue;
                String text = sql(step[0], step[1]);
                String what = String.join(" ", step) + ": " + text;
                try (PreparedStatement p = db.prepareStatement(text)) {
                    String[] args = step[2].equals("-") ? new String[0] : step[2].split(",");
                    assertEquals(args.length, p.getParameterMetaData().getParameterCount(), what);
                    for (int i = 0; i < args.length; i++) p.setObject(i + 1, value(args[i]));
                    assertEquals(step[3],
                        step[3].startsWith("=") ? "=" + p.executeUpdate() : result(p, step[3]),
                        what);
                }
            }
        }
    }

    /**
     * The query's answer in the form the expectation has: rows:, col K:, col K sorted: or count:.
     */
    private static String result(PreparedStatement p, String expected) throws Exception {
        String view = expected.substring(0, expected.indexOf(':'));
        List<String> rows = new ArrayList<>();
        try (ResultSet r = p.executeQuery()) {
            int columns = r.getMetaData().getColumnCount();
            while (r.next()) {
                List<String> row = new ArrayList<>();
                for (int c = 1; c <= columns; c++) row.add(String.valueOf(r.getObject(c)));
                rows.add(view.equals("rows")     ? String.join("|", row)
                        : view.startsWith("col") ? row.get(Integer.parseInt(view.split(" ")[1]) - 1)
                                                 : "");
            }
        }
        if (view.equals("count"))
            return "count:" + rows.size();
        if (view.endsWith("sorted"))
            rows.sort(null);
        return view + ":" + String.join(";", rows);
    }
}
