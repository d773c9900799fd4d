package com.quorindel.veltrane.probe;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;

/**
 * The modem voice profile as the application reads it: every field through g401 (lists) or
 * g402 (texts) of com.quorindel.veltrane.E.B.D, in the profile's member order.
 */
public final class ModemSection implements Section {
    /** A profile field: its name and the code the application asks for it by. */
    private static final class Field {
        final String name;
        final int code;
        final boolean list;

        Field(String name, int code, boolean list) {
            this.name = name;
            this.code = code;
            this.list = list;
        }
    }

    private static Field text(String name, int code) {
        return new Field(name, code, false);
    }

    private static Field list(String name, int code) {
        return new Field(name, code, true);
    }

    /** In member order, with their codes. */
    static final List<Field> FIELDS = Collections.unmodifiableList(Arrays.asList(
            text("AttachedTo", 30), text("CompanyName", 31), text("FriendlyName", 32),
            text("Reset", 33), text("TerminatePlay", 34), text("TerminateRecord", 35),
            list("GenerateDigit", 1), list("Hangup", 2), list("Init", 3),
            list("LineSetPlayFormat", 4), list("LineSetRecordFormat", 5), list("Monitor", 6),
            text("CallSetupFailTimer", 7), text("DialPrefix", 8), text("DialSuffix", 9),
            text("Prefix", 10), text("SpeakerMode_Dial", 11), text("SpeakerMode_Off", 12),
            text("SpeakerMode_On", 13), text("SpeakerMode_Setup", 14),
            text("SpeakerVolume_High", 15), text("SpeakerVolume_Low", 16),
            text("SpeakerVolume_Med", 17), text("Tone", 18),
            list("SpeakerPhoneDisable", 19), list("SpeakerPhoneEnable", 20),
            list("SpeakerPhoneMute", 21), list("SpeakerPhoneSetVolumeGain", 22),
            list("SpeakerPhoneUnMute", 23), list("StartPlay", 24), list("StartRecord", 25),
            list("StopPlay", 26), list("StopRecord", 27), list("VoiceAnswer", 28),
            list("VoiceDialNumberSetup", 29)));

    private static final String PROFILE_CLASS = "com.quorindel.veltrane.E.B.D";

    @SuppressWarnings("unused")
    private final Environment environment;

    ModemSection(Environment environment) {
        this.environment = environment;
    }

    @Override
    public SectionReport run() throws ProbeFailure {
        Method g401 = method("g401");
        Method g402 = method("g402");
        SectionReport report = new SectionReport("modem", "Modem voice profile");
        List<String> nulls = new ArrayList<>();
        boolean anything = false;
        String friendlyName = "";
        String companyName = "";
        String attachedTo = "";
        for (Field field : FIELDS) {
            if (field.list) {
                String[] entries = (String[]) call(g401, field.code);
                if (entries == null) {
                    nulls.add(field.name);
                    report.list(field.name, null);
                    continue;
                }
                anything |= entries.length > 0;
                report.list(field.name, new ArrayList<>(Arrays.asList(entries)));
            } else {
                String value = (String) call(g402, field.code);
                if (value == null) {
                    nulls.add(field.name);
                }
                anything |= value != null && !value.isEmpty();
                report.text(field.name, value);
                switch (field.name) {
                    case "FriendlyName":
                        friendlyName = value == null ? "" : value;
                        break;
                    case "CompanyName":
                        companyName = value == null ? "" : value;
                        break;
                    case "AttachedTo":
                        attachedTo = value == null ? "" : value;
                        break;
                    default:
                        break;
                }
            }
        }
        report.fact("found", anything);
        if (!anything) {
            report.note("no voice modem found (every field of the profile is empty)");
        } else {
            report.note("Modem: " + describe(friendlyName, companyName, attachedTo));
        }
        if (!nulls.isEmpty()) {
            report.fail("The library answered null for " + String.join(", ", nulls)
                    + ": the Java VM could not create the result.");
        }
        return report;
    }

    private static String describe(String friendlyName, String companyName, String attachedTo) {
        StringBuilder text = new StringBuilder(
                friendlyName.isEmpty() ? "(no FriendlyName)" : friendlyName);
        if (!companyName.isEmpty()) {
            text.append(", made by ").append(companyName);
        }
        if (!attachedTo.isEmpty()) {
            text.append(", attached to ").append(attachedTo);
        }
        return text.toString();
    }

    private static Method method(String name) throws ProbeFailure {
        try {
            return Class.forName(PROFILE_CLASS).getMethod(name, int.class);
        } catch (ReflectiveOperationException e) {
            throw new ProbeFailure("the class path lacks " + PROFILE_CLASS + "." + name
                    + " (veltrane-api.jar beside veltrane-probe.jar): " + e);
        }
    }

    private static Object call(Method method, int code) throws ProbeFailure {
        try {
            return method.invoke(null, code);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            throw new ProbeFailure(method.getName() + "(" + code + ") failed: " + cause);
        } catch (IllegalAccessException e) {
            throw new ProbeFailure(method.getName() + "(" + code + ") cannot be called: " + e);
        }
    }
}
