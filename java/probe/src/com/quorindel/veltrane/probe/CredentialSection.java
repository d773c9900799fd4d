package com.quorindel.veltrane.probe;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;

/**
 * The database credentials as the application obtains them: the user name through g201 and
 * the password through g202 of com.quorindel.veltrane.J.D. The password itself is shown
 * only when asked for; otherwise only its length.
 */
public final class CredentialSection implements Section {
    private static final String CREDENTIALS_CLASS = "com.quorindel.veltrane.J.D";

    @SuppressWarnings("unused")
    private final Environment environment;
    private final boolean showPassword;

    CredentialSection(Environment environment, boolean showPassword) {
        this.environment = environment;
        this.showPassword = showPassword;
    }

    @Override
    public SectionReport run() throws ProbeFailure {
        String user = call("g201");
        String password = call("g202");
        SectionReport report = new SectionReport("credentials", "Database credentials");
        report.text("UserName", user);
        if (password != null) {
            report.fact("passwordLength", password.length());
            if (showPassword) {
                report.text("Password", password);
            } else {
                report.note("Password: " + password.length() + " characters (--show-password "
                        + "shows it)");
            }
        } else {
            report.text("Password", null);
        }
        for (String[] result : new String[][] {{"user name", user}, {"password", password}}) {
            if (result[1] == null) {
                report.fail("The library answered null for the " + result[0]
                        + ": the Java VM could not create the result.");
            } else if (result[1].isEmpty()) {
                report.fail("The library answered an empty " + result[0]
                        + ": its decryption failed (the reason is in log/VeltraneDll.log"
                        + " below the working directory, when that folder exists).");
            }
        }
        return report;
    }

    private static String call(String name) throws ProbeFailure {
        Method method;
        try {
            method = Class.forName(CREDENTIALS_CLASS).getMethod(name, String.class);
        } catch (ReflectiveOperationException e) {
            throw new ProbeFailure("the class path lacks " + CREDENTIALS_CLASS + "." + name
                    + " (veltrane-api.jar beside veltrane-probe.jar): " + e);
        }
        try {
            return (String) method.invoke(null, (Object) null);
        } catch (InvocationTargetException e) {
            throw new ProbeFailure(name + " failed: " + e.getCause());
        } catch (IllegalAccessException e) {
            throw new ProbeFailure(name + " cannot be called: " + e);
        }
    }
}
