package com.quorindel.veltrane.bench;

/** The floor: native methods of the benchmark's own library that only call NewString. */
final class Floor {
    private Floor() {}

    static native String text92(int code);

    static native String text5(int code);

    /** Shaped like g201 and g202: a string as long as the credential (7 characters). */
    static native String text7(String ignored);
}
