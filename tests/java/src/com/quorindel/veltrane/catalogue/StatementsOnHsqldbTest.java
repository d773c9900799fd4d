package com.quorindel.veltrane.catalogue;

import static com.quorindel.veltrane.catalogue.Catalogue.sql;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.sql.SQLException;
import java.sql.Statement;
import java.sql.Types;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Every statement of the catalogue, fetched through JNI and run as it stands on an
 * in-memory HSQLDB database whose tables follow the statements' columns.
 */
class StatementsOnHsqldbTest {
    private static final AtomicInteger DATABASES = new AtomicInteger();
    private static final String TEXT = "VARCHAR(200)";

    /** The tables, columns in the order of their INSERT statements. */
    private static final String[] SCHEMA = {
        "CREATE TABLE A (A INTEGER PRIMARY KEY, B " + TEXT + ")",
        "CREATE TABLE B (A INTEGER, B " + TEXT + ", C " + TEXT + ", D " + TEXT + ", E " + TEXT
                + ", PRIMARY KEY (A, B))",
        "CREATE TABLE C (A INTEGER, B INTEGER, C CHAR(1), D " + TEXT + ", E " + TEXT + ", F " + TEXT
                + ", G " + TEXT + ", H " + TEXT + ", I " + TEXT + ", J " + TEXT + ", K " + TEXT
                + ", PRIMARY KEY (A, B))",
        "CREATE TABLE E (A " + TEXT + " PRIMARY KEY, B " + TEXT + ")",
        "CREATE TABLE F (A INTEGER PRIMARY KEY, B " + TEXT + ", C " + TEXT + ", D INTEGER, E " + TEXT
                + ", F " + TEXT + ")",
        "CREATE TABLE G (A INTEGER, B " + TEXT + ", C " + TEXT + ", D BOOLEAN, E INTEGER,"
                + " PRIMARY KEY (A, B))",
        "CREATE TABLE H (A INTEGER PRIMARY KEY, B " + TEXT + ", C " + TEXT + ", D " + TEXT + ", E "
                + TEXT + ", F " + TEXT + ", G " + TEXT + ", H " + TEXT + ", I INTEGER)",
        "CREATE TABLE I (A " + TEXT + " PRIMARY KEY, B " + TEXT + ", C " + TEXT + ", D " + TEXT
                + ", E " + TEXT + ")",
        "CREATE TABLE J (A " + TEXT + ", B " + TEXT + ", C " + TEXT + ", D " + TEXT + ", E " + TEXT
                + ", F " + TEXT + ", G " + TEXT + ")",
        "CREATE TABLE K (A INTEGER, B INTEGER, C " + TEXT + ", D " + TEXT + ", E " + TEXT
                + ", PRIMARY KEY (A, B))",
        "CREATE TABLE L (A INTEGER, B INTEGER, C " + TEXT + ", D " + TEXT + ", E INTEGER, F " + TEXT
                + ", G " + TEXT + ", H BOOLEAN, PRIMARY KEY (A, B, E))",
        "CREATE TABLE M (A " + TEXT + ", B " + TEXT + ", C " + TEXT + ", D " + TEXT + ", E " + TEXT
                + ", F " + TEXT + ", G " + TEXT + ", H " + TEXT + ", I " + TEXT + ", J " + TEXT
                + ", K " + TEXT + ", L " + TEXT + ", M " + TEXT + ", N " + TEXT + ", O " + TEXT
                + ", P " + TEXT + ")",
        "CREATE TABLE N (A INTEGER PRIMARY KEY, B " + TEXT + ")",
    };

    private Connection db;

    @BeforeEach
    void createTables() throws SQLException {
        db = DriverManager.getConnection(
                "jdbc:hsqldb:mem:catalogue" + DATABASES.incrementAndGet(), "SA", "");
        try (Statement s = db.createStatement()) {
            for (String ddl : SCHEMA) s.execute(ddl);
        }
    }

    @AfterEach
    void dropDatabase() throws SQLException {
        try (Statement s = db.createStatement()) {
            s.execute("SHUTDOWN");
        }
        db.close();
    }

    private PreparedStatement prepare(String text, Object... values) throws SQLException {
        PreparedStatement p = db.prepareStatement(text);
        assertEquals(values.length, p.getParameterMetaData().getParameterCount(), text);
        for (int i = 0; i < values.length; i++) {
            if (values[i] == null) {
                p.setNull(i + 1, Types.VARCHAR);
            } else {
                p.setObject(i + 1, values[i]);
            }
        }
        return p;
    }

    /** Runs an INSERT, UPDATE or DELETE; the number of rows it touched. */
    private int change(String text, Object... values) throws SQLException {
        try (PreparedStatement p = prepare(text, values)) {
            return p.executeUpdate();
        }
    }

    private List<List<Object>> rows(String text, Object... values) throws SQLException {
        List<List<Object>> rows = new ArrayList<>();
        try (PreparedStatement p = prepare(text, values); ResultSet r = p.executeQuery()) {
            int columns = r.getMetaData().getColumnCount();
            while (r.next()) {
                List<Object> row = new ArrayList<>();
                for (int c = 1; c <= columns; c++) row.add(r.getObject(c));
                row.replaceAll(v -> v instanceof Long l ? l.intValue() : v);
                rows.add(Collections.unmodifiableList(row));
            }
        }
        return rows;
    }

    /** The first column of every row. */
    private List<Object> firstColumn(String text, Object... values) throws SQLException {
        return rows(text, values).stream().map(row -> row.get(0)).toList();
    }

    private Object single(String text, Object... values) throws SQLException {
        List<Object> column = firstColumn(text, values);
        assertEquals(1, column.size(), text);
        return column.get(0);
    }

    private static long markers(String text) {
        return text.chars().filter(c -> c == '?').count();
    }

    @Test
    void everyStatementIsAcceptedWithOneParameterPerMarker() throws SQLException {
        for (Catalogue.Entry e : Catalogue.entries()) {
            String text = sql(e.table(), e.code());
            try (PreparedStatement p = db.prepareStatement(text)) {
                assertEquals(markers(text), p.getParameterMetaData().getParameterCount(), text);
            }
        }
    }

    @Test
    void tableA() throws SQLException {
        assertEquals(1, change(sql('A', 3), 1, "one"));
        assertEquals(1, change(sql('A', 3), 7, "seven"));
        assertEquals(List.of(List.of(7, "seven")), rows(sql('A', 1), 7));
        assertEquals(7, single(sql('A', 2)));
        assertEquals(1, change(sql('A', 4), "uno", 1));
        assertEquals(List.of(List.of(1, "uno")), rows(sql('A', 1), 1));
        assertEquals(1, change(sql('A', 5), 7));
        assertEquals(List.of(List.of(1, "uno")), rows(sql('A', 6)));
    }

    @Test
    void tableBWithItsKeyRewritingUpdate() throws SQLException {
        change(sql('B', 4), 1, "alpha", "c", "d", "e");
        change(sql('B', 4), 1, "beta", "c", "d", "e");
        change(sql('B', 4), 2, "alpine", "c", "d", "e");
        assertEquals(List.of(List.of(1, "alpha", "c", "d", "e")), rows(sql('B', 1), 1, "alpha"));
        // The pattern applies within one A only.
        assertEquals(List.of("alpha"), rows(sql('B', 2), 1, "al%").stream().map(r -> r.get(1)).toList());
        assertEquals(2, rows(sql('B', 3), 1).size());
        assertEquals(1, change(sql('B', 5), "C", "D", "E", 1, "beta"));
        // New B first, then A and the old B.
        assertEquals(1, change(sql('B', 6), "gamma", 1, "beta"));
        assertEquals(List.of(), rows(sql('B', 1), 1, "beta"));
        assertEquals(List.of(List.of(1, "gamma", "C", "D", "E")), rows(sql('B', 1), 1, "gamma"));
        assertEquals(1, change(sql('B', 7), 1, "alpha"));
        assertEquals(1, rows(sql('B', 3), 1).size());
        assertEquals(1, rows(sql('B', 3), 2).size());
    }

    @Test
    void tableCWithItsNullableColumn() throws SQLException {
        change(sql('C', 2), 1, 1, "M", "d", "e", "f11", "g", "h", "i", "j", "k");
        change(sql('C', 2), 1, 2, "W", "d", "e", null, "g", "h", "i", "j", "k");
        change(sql('C', 2), 2, 1, "M", "d", "e", "f21", "g", "h", "i", "j", "k");
        assertEquals(List.of(List.of(1, 1, "M", "d", "e", "f11", "g", "h", "i", "j", "k")),
                rows(sql('C', 1), 1, 1));
        assertEquals(List.of(1), rows(sql('C', 5), 1).stream().map(r -> r.get(1)).toList());
        assertEquals(2, rows(sql('C', 6), 1).size());
        assertEquals(List.of("f11"), firstColumn(sql('C', 7), 1));
        assertEquals(List.of(), firstColumn(sql('C', 8), 1, 2));
        assertEquals(List.of("f11"), firstColumn(sql('C', 8), 1, 1));
        assertEquals(1, change(sql('C', 3), "M", "D", "E", "f12", "G", "H", "I", "J", "K", 1, 2));
        assertEquals(List.of("f11", "f12"), firstColumn(sql('C', 7), 1).stream().sorted().toList());
        assertEquals(2, rows(sql('C', 5), 1).size());
        assertEquals(1, change(sql('C', 4), 1, 1));
        assertEquals(List.of("f12"), firstColumn(sql('C', 7), 1));
    }

    @Test
    void tableEWithItsLowerCaseWhereAndKeyRewrite() throws SQLException {
        change(sql('E', 3), "key1", "v1");
        change(sql('E', 3), "key2", "v2");
        change(sql('E', 3), "other", "v3");
        assertEquals(List.of(List.of("key1", "v1")), rows(sql('E', 1), "key1"));
        assertEquals(3, rows(sql('E', 2)).size());
        assertEquals(1, change(sql('E', 4), "w1", "key1"));
        assertEquals(1, change(sql('E', 5), "key9", "v9", "key2"));
        assertEquals(List.of(), rows(sql('E', 1), "key2"));
        assertEquals(List.of(List.of("key9", "v9")), rows(sql('E', 1), "key9"));
        assertEquals(List.of("key1", "key9"), firstColumn(sql('E', 7), "key%").stream().sorted().toList());
        assertEquals(1, change(sql('E', 6), "key1"));
        assertEquals(2, rows(sql('E', 2)).size());
    }

    @Test
    void tablesFAndGWithTheirJoinedSearch() throws SQLException {
        change(sql('F', 5), 1, "apple", "c", 30, "e", "f");
        change(sql('F', 5), 2, "banana", "c", 10, "e", "f");
        change(sql('F', 5), 3, "cherry", "c", 20, "e", "f");
        change(sql('G', 2), 1, "x1", "c", false, 5);
        change(sql('G', 2), 1, "x2", "c", false, 6);
        change(sql('G', 2), 2, "apricot", "c", true, 7);
        change(sql('G', 2), 2, "pear", "c", false, 9);
        change(sql('G', 2), 2, "plum", "c", false, 11);
        change(sql('G', 2), 3, "y", "c", false, 1);

        assertEquals(List.of(List.of(2, "banana", "c", 10, "e", "f")), rows(sql('F', 1), 2));
        assertEquals(List.of(1, 3, 2), firstColumn(sql('F', 2)));
        assertEquals(List.of(2, 3), firstColumn(sql('F', 3), 20));
        assertEquals(3, single(sql('F', 4)));
        // F 1 matches once for each of its two G rows, F 2 through a G row: each comes once.
        assertEquals(List.of(1, 2), firstColumn(sql('F', 8), "ap%", "ap%"));
        assertEquals(List.of(2), firstColumn(sql('F', 8), "zzz", "p%"));
        assertEquals(List.of(), firstColumn(sql('F', 8), "zzz", "zzz"));

        assertEquals(2, rows(sql('G', 1), 1).size());
        assertEquals(List.of("pear"), rows(sql('G', 5), 2, 10).stream().map(r -> r.get(1)).toList());
        assertEquals(1, change(sql('G', 3), "c2", true, 2, 2, "pear"));
        assertEquals(List.of(), rows(sql('G', 5), 2, 10));
        assertEquals(3, change(sql('G', 4), 2));
        assertEquals(List.of(), rows(sql('G', 1), 2));
        assertEquals(2, rows(sql('G', 1), 1).size());

        assertEquals(1, change(sql('F', 6), "banana", "c", 40, "e", "f", 2));
        assertEquals(List.of(2, 1, 3), firstColumn(sql('F', 2)));
        assertEquals(1, change(sql('F', 7), 3));
        assertEquals(2, single(sql('F', 4)));
    }

    @Test
    void tableHListedByIDescending() throws SQLException {
        change(sql('H', 3), 1, "hello", "c", "d", "e", "f", "g", "h", 5);
        change(sql('H', 3), 2, "help", "c", "d", "e", "f", "g", "h", 9);
        change(sql('H', 3), 3, "world", "c", "d", "e", "f", "g", "h", 7);
        assertEquals(List.of(List.of(1, "hello", "c", "d", "e", "f", "g", "h", 5)), rows(sql('H', 1), 1));
        assertEquals(List.of(2, 3, 1), firstColumn(sql('H', 2)));
        assertEquals(3, single(sql('H', 6)));
        assertEquals(List.of(2, 1), firstColumn(sql('H', 7), "hel%"));
        assertEquals(1, change(sql('H', 4), "hello", "c", "d", "e", "f", "g", "h", 10, 1));
        assertEquals(List.of(1, 2, 3), firstColumn(sql('H', 2)));
        assertEquals(1, change(sql('H', 5), 3));
        assertEquals(2, single(sql('H', 6)));
    }

    @Test
    void tableIWithItsUnterminatedKeyRewritingUpdate() throws SQLException {
        change(sql('I', 2), "b", "x", "y", "z", "w");
        change(sql('I', 2), "a", "q", "r", "s", "t");
        change(sql('I', 2), "c", "m", "n", "o", "p");
        assertEquals(List.of("a", "b", "c"), firstColumn(sql('I', 5)));
        // Any of the five columns matches, D through its "Like".
        assertEquals(List.of("b"), firstColumn(sql('I', 6), "-", "-", "-", "z", "-"));
        assertEquals(List.of("a", "c"), firstColumn(sql('I', 6), "a", "m", "-", "-", "-"));
        assertEquals(List.of("a", "b", "c"), firstColumn(sql('I', 6), "%", "-", "-", "-", "-"));
        assertEquals(1, change(sql('I', 3), "d", "q2", "r2", "s2", "t2", "a"));
        assertEquals(List.of("b", "c", "d"), firstColumn(sql('I', 5)));
        assertEquals(List.of(List.of("d", "q2", "r2", "s2", "t2")), rows(sql('I', 1), "d"));
        assertEquals(1, change(sql('I', 4), "b"));
        assertEquals(List.of("c", "d"), firstColumn(sql('I', 5)));
    }

    @Test
    void tableJIsReadUpdatedAndDeletedWhole() throws SQLException {
        change(sql('J', 2), "a", "b", "c", "d", "e", "f", "g");
        change(sql('J', 2), "1", "2", "3", "4", "5", "6", "7");
        assertEquals(2, rows(sql('J', 1)).size());
        assertEquals(2, change(sql('J', 3), "A", "B", "C", "D", "E", "F", "G"));
        assertEquals(List.of(List.of("A", "B", "C", "D", "E", "F", "G"),
                             List.of("A", "B", "C", "D", "E", "F", "G")),
                rows(sql('J', 1)));
        assertEquals(2, change(sql('J', 4)));
        assertEquals(List.of(), rows(sql('J', 1)));
    }

    @Test
    void tableK() throws SQLException {
        change(sql('K', 2), 1, 1, "c", "d", "e");
        change(sql('K', 2), 1, 2, "c", "d", "e");
        change(sql('K', 2), 2, 1, "c", "d", "e");
        assertEquals(List.of(List.of(1, 2, "c", "d", "e")), rows(sql('K', 1), 1, 2));
        assertEquals(1, change(sql('K', 3), "C", "D", "E", 1, 2));
        assertEquals(List.of(List.of(1, 2, "C", "D", "E")), rows(sql('K', 1), 1, 2));
        assertEquals(2, rows(sql('K', 5), 1).size());
        assertEquals(1, change(sql('K', 4), 1, 1));
        assertEquals(1, rows(sql('K', 5), 1).size());
        assertEquals(1, rows(sql('K', 5), 2).size());
    }

    @Test
    void tableLWithItsCountsSearchAndNullableColumn() throws SQLException {
        change(sql('L', 2), 1, 1, "call", "from home", 1, "f", null, false);
        change(sql('L', 2), 1, 1, "fax", "to office", 3, "f", "g13", true);
        change(sql('L', 2), 1, 1, "call", "to home", 2, "f", "g12", false);
        change(sql('L', 2), 1, 2, "call", "home", 1, "f", "g21", false);
        change(sql('L', 2), 2, 1, "call", "home", 1, "f", "g", false);
        assertEquals(List.of(3, 2, 1), rows(sql('L', 1), 1, 1).stream().map(r -> r.get(4)).toList());
        assertEquals(3, single(sql('L', 5), 1, 1));
        assertEquals(2, single(sql('L', 6), 1, 1));
        assertEquals(3, single(sql('L', 7), 1));
        assertEquals(List.of(2, 1), rows(sql('L', 8), 1, 1, "call", "%home").stream().map(r -> r.get(4)).toList());
        assertEquals(List.of(3), rows(sql('L', 8), 1, 1, "-", "%office").stream().map(r -> r.get(4)).toList());
        assertEquals(List.of("g12", "g13", "g21"), firstColumn(sql('L', 9), 1).stream().sorted().toList());
        assertEquals(List.of("g12", "g13"), firstColumn(sql('L', 10), 1, 1).stream().sorted().toList());
        assertEquals(1, change(sql('L', 3), "fax", "d", "f", "g11", true, 1, 1, 1));
        assertEquals(1, single(sql('L', 6), 1, 1));
        assertEquals(List.of("g11", "g12", "g13"), firstColumn(sql('L', 10), 1, 1).stream().sorted().toList());
        assertEquals(1, change(sql('L', 4), 1, 1, 3));
        assertEquals(2, single(sql('L', 5), 1, 1));
        assertEquals(2, single(sql('L', 7), 1));
    }

    @Test
    void tableMIsReadUpdatedAndDeletedWhole() throws SQLException {
        Object[] row = new Object[16];
        for (int i = 0; i < 16; i++) row[i] = "v" + i;
        change(sql('M', 2), row);
        change(sql('M', 2), row);
        for (int i = 0; i < 16; i++) row[i] = "w" + i;
        assertEquals(2, change(sql('M', 3), row));
        List<List<Object>> all = rows(sql('M', 1));
        assertEquals(2, all.size());
        for (List<Object> r : all) assertEquals(List.of(row), r);
        assertEquals(2, change(sql('M', 4)));
        assertEquals(List.of(), rows(sql('M', 1)));
    }

    @Test
    void tableN() throws SQLException {
        change(sql('N', 2), 1, "one");
        change(sql('N', 2), 2, "two");
        assertEquals(List.of(List.of(2, "two")), rows(sql('N', 1), 2));
        assertEquals(1, change(sql('N', 3), "deux", 2));
        assertEquals(List.of(List.of(2, "deux")), rows(sql('N', 1), 2));
        assertEquals(1, change(sql('N', 4), 1));
        assertEquals(List.of(List.of(2, "deux")), rows(sql('N', 5)));
        assertTrue(rows(sql('N', 1), 1).isEmpty());
    }
}
