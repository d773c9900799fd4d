package com.quorindel.veltrane.catalogue;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quorindel.veltrane.testing.Natives;
import org.junit.jupiter.api.Test;

/** The statement methods as Java calls them: codes, nulls, lengths and new strings. */
class StatementMethodsTest {
    @Test
    void codesOutsideEveryListGiveNull() {
        for (Catalogue.Method m : Catalogue.METHODS) {
            for (int code : new int[] {0, -1, m.lastCode() + 1, Integer.MIN_VALUE, Integer.MAX_VALUE}) {
                assertNull(m.statement(code), m.name() + " code " + code);
            }
        }
    }

    @Test
    void eightyTwoStatementsEndingAtTheLastCodeOfEachList() {
        int total = 0;
        for (Catalogue.Method m : Catalogue.METHODS) {
            for (int code = 1; code <= m.lastCode(); code++) {
                String text = m.statement(code);
                assertNotNull(text, m.name() + " code " + code);
                assertFalse(text.isEmpty());
                assertEquals(-1, text.indexOf('\0'), m.name() + " code " + code);
                total++;
            }
        }
        assertEquals(82, total);
        assertEquals("SELECT G FROM L WHERE A=? AND B=? AND G IS NOT NULL;", Catalogue.sql('L', 10));
        assertEquals("SELECT * FROM N;", Catalogue.sql('N', 5));
        assertEquals("DELETE FROM M;", Catalogue.sql('M', 4));
    }

    @Test
    void lengthsAndSpellingsSurviveTheTripThroughJni() {
        assertEquals(16, Catalogue.sql('M', 1).length());
        assertEquals(92, Catalogue.sql('F', 8).length());
        String updateI = Catalogue.sql('I', 3);
        assertEquals("UPDATE I SET A = ?, B = ?,C = ?,D = ?,E = ? WHERE A = ?", updateI);
        assertEquals(55, updateI.length());
        assertTrue(updateI.endsWith("?"));
        assertEquals("SELECT * FROM E where A = ?;", Catalogue.sql('E', 1));
    }

    @Test
    void g109DependsOnTheCodeAlone() {
        String expected = "UPDATE J SET A = ?,B = ?,C = ?,D = ?,E = ?,F = ?,G = ?;";
        assertEquals(expected, Natives.call("F.C", "g109", "anything", 3));
        assertEquals(expected, Natives.call("F.C", "g109", "", 3));
        assertEquals(expected, Natives.call("F.C", "g109", null, 3));
        assertNull(Natives.call("F.C", "g109", null, 0));
        assertNull(Natives.call("F.C", "g109", "SELECT * FROM J;", 5));
    }

    @Test
    void everyCallGivesANewString() {
        String first = Natives.call("D.A", "g103", 8);
        String second = Natives.call("D.A", "g103", 8);
        assertNotSame(first, second);
        assertEquals(first, second);
    }
}
