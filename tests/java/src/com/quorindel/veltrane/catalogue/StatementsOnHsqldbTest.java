package com.quorindel.veltrane.catalogue;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.quorindel.veltrane.testing.Natives;
import java.sql.*;
import java.util.*;
import org.junit.jupiter.api.Test;

/** The statements, fetched through JNI, run on HSQLDB as catalogue/hsqldb-runs.tsv lists them. */
class StatementsOnHsqldbTest {
    @Test
    void theRunsGiveWhatTheyList() throws Exception {
        try (Connection db = DriverManager.getConnection("jdbc:hsqldb:mem:catalogue", "SA", "")) {
            for (String[] step : Natives.rows("catalogue/hsqldb-runs.tsv")) {
                if (step[0].equals("create")) {
                    db.createStatement().execute(step[1]);
                    continue;
                }
                int code = Integer.parseInt(step[1]); // g109 has a string first, which it ignores
                String text = step[0].equals("g109") ? Natives.call("g109", "", code)
                                                     : Natives.call(step[0], code);
                String what = String.join(" ", step) + ": " + text;
                try (PreparedStatement p = db.prepareStatement(text)) {
                    String[] args = step[2].equals("-") ? new String[0] : step[2].split(",");
                    assertEquals(args.length, p.getParameterMetaData().getParameterCount(), what);
                    for (int i = 0; i < args.length; i++)
                        p.setObject(i + 1, args[i].equals("null") ? null : args[i]);
                    String got =
                        step[3].startsWith("=") ? "=" + p.executeUpdate() : result(p, step[3]);
                    assertEquals(step[3], got, what);
                }
            }
        }
    }

    /** The query's answer in the expectation's form: rows:, col K:, col K sorted: or count:. */
    private static String result(PreparedStatement p, String expected) throws Exception {
        String view = expected.substring(0, expected.indexOf(':'));
        String[] col = view.split(" ");
        List<String> rows = new ArrayList<>();
        try (ResultSet r = p.executeQuery()) {
            while (r.next()) {
                List<String> row = new ArrayList<>();
                for (int c = 1; c <= r.getMetaData().getColumnCount(); c++)
                    row.add(String.valueOf(r.getObject(c)));
                rows.add(col[0].equals("col") ? row.get(Integer.parseInt(col[1]) - 1)
                                              : String.join("|", row));
            }
        }
        if (view.endsWith("sorted")) rows.sort(null);
        return view + ":" + (view.equals("count") ? rows.size() : String.join(";", rows));
    }
}
