package com.quorindel.veltrane.probe;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;

/**
 * The SQL statement catalogue as the application reads it: how many statements each table's
 * method hands out, counted by asking for codes 1, 2, ... until the first null.
 */
public final class CatalogueSection implements Section {
    /** Table letter, declaring class, method; in the order of the methods' numbers. */
    private static final String[][] METHODS = {
        {"M", "com.quorindel.veltrane.E", "g101"},
        {"G", "com.quorindel.veltrane.D.B", "g102"},
        {"F", "com.quorindel.veltrane.D.A", "g103"},
        {"K", "com.quorindel.veltrane.I.C", "g104"},
        {"C", "com.quorindel.veltrane.I.H", "g105"},
        {"B", "com.quorindel.veltrane.I.G", "g106"},
        {"L", "com.quorindel.veltrane.I.D", "g107"},
        {"E", "com.quorindel.veltrane.I.B", "g108"},
        {"J", "com.quorindel.veltrane.F.C", "g109"},
        {"H", "com.quorindel.veltrane.A.B", "g110"},
        {"I", "com.quorindel.veltrane.A.A", "g111"},
        {"A", "com.quorindel.veltrane.I.F", "g112"},
        {"N", "com.quorindel.veltrane.E.B.E", "g113"},
    };
    private static final int MOST_CODES = 1000;

    @SuppressWarnings("unused")
    private final Environment environment;

    CatalogueSection(Environment environment) {
        this.environment = environment;
    }

    @Override
    public SectionReport run() throws ProbeFailure {
        SectionReport report = new SectionReport("catalogue", "SQL statement catalogue");
        int total = 0;
        for (String[] entry : METHODS) {
            Method method = method(entry[1], entry[2]);
            int count = 0;
            while (count < MOST_CODES && statement(method, count + 1) != null) count++;
            total += count;
            report.number("table " + entry[0] + " (" + entry[2] + ")", count,
                    count + " statements");
        }
        report.fact("statements", total);
        report.note(total + " statements for " + METHODS.length + " tables.");
        return report;
    }

    private static Method method(String className, String name) throws ProbeFailure {
        try {
            Class<?> type = Class.forName(className);
            return name.equals("g109") ? type.getMethod(name, String.class, int.class)
                                       : type.getMethod(name, int.class);
        } catch (ReflectiveOperationException e) {
            throw new ProbeFailure("the class path lacks " + className + "." + name
                    + " (veltrane-api.jar beside veltrane-probe.jar): " + e);
        }
    }

    private static String statement(Method method, int code) throws ProbeFailure {
        try {
            Object[] args = method.getParameterCount() == 2 ? new Object[] {"", code}
                                                            : new Object[] {code};
            return (String) method.invoke(null, args);
        } catch (InvocationTargetException e) {
            throw new ProbeFailure(method.getName() + "(" + code + ") failed: " + e.getCause());
        } catch (IllegalAccessException e) {
            throw new ProbeFailure(method.getName() + "(" + code + ") cannot be called: " + e);
        }
    }
}
