package com.quorindel.veltrane.probe;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.util.ArrayList;
import java.util.List;

/** The marker tokens: g301 of com.quorindel.veltrane.J.D for codes 1 to 9 and for any other. */
public final class TokenSection implements Section {
    private static final String TOKEN_CLASS = "com.quorindel.veltrane.J.D";
    /** A code outside 1 to 9, which gives the default token. */
    private static final int OTHER_CODE = 0;

    @SuppressWarnings("unused")
    private final Environment environment;

    TokenSection(Environment environment) {
        this.environment = environment;
    }

    @Override
    public SectionReport run() throws ProbeFailure {
        Method g301;
        try {
            g301 = Class.forName(TOKEN_CLASS).getMethod("g301", int.class);
        } catch (ReflectiveOperationException e) {
            throw new ProbeFailure("the class path lacks " + TOKEN_CLASS
                    + ".g301 (veltrane-api.jar beside veltrane-probe.jar): " + e);
        }
        SectionReport report = new SectionReport("tokens", "Token table");
        List<String> nulls = new ArrayList<>();
        for (int code = 1; code <= 9; code++) {
            String token = token(g301, code);
            if (token == null) nulls.add(Integer.toString(code));
            report.text("code " + code, token);
        }
        String other = token(g301, OTHER_CODE);
        if (other == null) nulls.add("other codes");
        report.text("other codes", other);
        if (!nulls.isEmpty()) {
            report.fail("The library answered null for " + String.join(", ", nulls)
                    + ": the Java VM could not create the result.");
        }
        return report;
    }

    private static String token(Method g301, int code) throws ProbeFailure {
        try {
            return (String) g301.invoke(null, code);
        } catch (InvocationTargetException e) {
            throw new ProbeFailure("g301(" + code + ") failed: " + e.getCause());
        } catch (IllegalAccessException e) {
            throw new ProbeFailure("g301(" + code + ") cannot be called: " + e);
        }
    }
}
