package com.quorindel.veltrane.probe;

import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * What one section found: notes (whole sentences) and named fields, each a text, a list of
 * texts or a number, in the order they were added. Printed as text or as JSON.
 */
public final class SectionReport {
    private static final int NAME_WIDTH = 26;

    private final String key;
    private final String title;
    private final List<String> notes = new ArrayList<>();
    private final Map<String, Object> facts = new LinkedHashMap<>();
    private final Map<String, Object> fields = new LinkedHashMap<>();
    private boolean failed;

    /** A number with the words the text report shows for it ("4 statements"). */
    private static final class Measure {
        final Number value;
        final String text;

        Measure(Number value, String text) {
            this.value = value;
            this.text = text;
        }
    }

    /** {@code key} names the section in JSON, {@code title} in text. */
    public SectionReport(String key, String title) {
        this.key = key;
        this.title = title;
    }

    public SectionReport note(String note) {
        notes.add(note);
        return this;
    }

    /** A fact about the section as a whole (JSON: a member of the section object). */
    public SectionReport fact(String name, Object value) {
        facts.put(name, value);
        return this;
    }

    public SectionReport text(String name, String value) {
        fields.put(name, value);
        return this;
    }

    /** A number: in JSON the number itself, in text {@code text}. */
    public SectionReport number(String name, Number value, String text) {
        fields.put(name, new Measure(value, text));
        return this;
    }

    public SectionReport list(String name, List<String> entries) {
        fields.put(name, entries == null ? null : Collections.unmodifiableList(entries));
        return this;
    }

    /** The section found something wrong; the probe exits non-zero after printing. */
    public SectionReport fail(String note) {
        failed = true;
        return note(note);
    }

    public boolean failed() {
        return failed;
    }

    public String toText() {
        StringBuilder text = new StringBuilder();
        text.append("== ").append(title).append(" ==\n");
        for (String note : notes) {
            text.append(note).append('\n');
        }
        for (Map.Entry<String, Object> field : fields.entrySet()) {
            text.append(pad(field.getKey()));
            Object value = field.getValue();
            if (value == null) {
                text.append("(null: the library gave no value)\n");
            } else if (value instanceof String) {
                String string = (String) value;
                text.append(string.isEmpty() ? "(empty)" : Json.quote(string, false)).append('\n');
            } else if (value instanceof Measure) {
                text.append(Json.quote(((Measure) value).text, false)).append('\n');
            } else {
                @SuppressWarnings("unchecked")
                List<String> entries = (List<String>) value;
                if (entries.isEmpty()) {
                    text.append("(empty list)\n");
                    continue;
                }
                text.append(entries.size()).append(entries.size() == 1 ? " entry\n" : " entries\n");
                for (int i = 0; i < entries.size(); i++) {
                    String entry = entries.get(i);
                    text.append("    [").append(i).append("] ");
                    text.append(entry == null ? "(null)" : entry.isEmpty() ? "(empty)" : Json.quote(entry, false));
                    text.append('\n');
                }
            }
        }
        text.append('\n');
        return text.toString();
    }

    private static String pad(String name) {
        StringBuilder padded = new StringBuilder("  ").append(name).append(':');
        while (padded.length() < NAME_WIDTH + 4) {
            padded.append(' ');
        }
        return padded.append(' ').toString();
    }

    /** The sections as one JSON object, each a member named by its key. */
    public static String toJson(List<SectionReport> sections) {
        Json json = new Json();
        json.beginObject();
        for (SectionReport section : sections) {
            json.name(section.key);
            json.beginObject();
            section.writeMembers(json);
            json.endObject();
        }
        json.endObject();
        return json.toString();
    }

    private void writeMembers(Json json) {
        for (Map.Entry<String, Object> fact : facts.entrySet()) {
            json.name(fact.getKey()).value(fact.getValue());
        }
        json.name("notes").value(notes);
        if (!fields.isEmpty()) {
            json.name("fields");
            json.beginObject();
            for (Map.Entry<String, Object> field : fields.entrySet()) {
                Object value = field.getValue();
                json.name(field.getKey())
                        .value(value instanceof Measure ? ((Measure) value).value : value);
            }
            json.endObject();
        }
    }
}
