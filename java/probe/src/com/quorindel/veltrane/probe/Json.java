package com.quorindel.veltrane.probe;

import java.util.List;

/**
 * A small JSON writer: objects, strings, lists of strings, booleans, numbers and null.
 * Numbers are written the same in every locale; one that is not finite becomes null.
 */
final class Json {
    private final StringBuilder out = new StringBuilder();
    private boolean needComma;

    void beginObject() {
        separate();
        out.append('{');
        needComma = false;
    }

    void endObject() {
        out.append('}');
        needComma = true;
    }

    Json name(String name) {
        separate();
        out.append(quote(name)).append(':');
        needComma = false;
        return this;
    }

    void value(Object value) {
        separate();
        if (value == null) {
            out.append("null");
        } else if (value instanceof String) {
            out.append(quote((String) value));
        } else if (value instanceof Boolean || value instanceof Integer || value instanceof Long) {
            out.append(value);
        } else if (value instanceof Float || value instanceof Double) {
            double number = ((Number) value).doubleValue();
            // Float.toString, not the wider double's digits: 4.183893, not 4.183893203735352.
            out.append(Double.isNaN(number) || Double.isInfinite(number) ? "null" : value.toString());
        } else if (value instanceof List) {
            out.append('[');
            needComma = false;
            for (Object element : (List<?>) value) {
                value(element);
            }
            out.append(']');
        } else {
            out.append(quote(value.toString()));
        }
        needComma = true;
    }

    private void separate() {
        if (needComma) {
            out.append(',');
        }
    }

    /** A JSON string literal with every code unit outside printable ASCII escaped. */
    static String quote(String text) {
        return quote(text, true);
    }

    /**
     * A string literal; control characters and lone surrogates are always escaped, other
     * non-ASCII text only when {@code asciiOnly}.
     */
    static String quote(String text, boolean asciiOnly) {
        StringBuilder quoted = new StringBuilder(text.length() + 2).append('"');
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            switch (c) {
                case '"':
                    quoted.append("\\\"");
                    break;
                case '\\':
                    quoted.append("\\\\");
                    break;
                case '\n':
                    quoted.append("\\n");
                    break;
                case '\r':
                    quoted.append("\\r");
                    break;
                case '\t':
                    quoted.append("\\t");
                    break;
                default:
                    if (c < 0x20 || c >= 0x7F && (asciiOnly || Character.isISOControl(c))
                            || Character.isSurrogate(c) && !validPair(text, i)) {
                        quoted.append(String.format("\\u%04x", (int) c));
                    } else {
                        quoted.append(c);
                    }
            }
        }
        return quoted.append('"').toString();
    }

    private static boolean validPair(String text, int i) {
        char c = text.charAt(i);
        if (Character.isHighSurrogate(c)) {
            return i + 1 < text.length() && Character.isLowSurrogate(text.charAt(i + 1));
        }
        return i > 0 && Character.isHighSurrogate(text.charAt(i - 1));
    }

    @Override
    public String toString() {
        return out.toString();
    }
}
