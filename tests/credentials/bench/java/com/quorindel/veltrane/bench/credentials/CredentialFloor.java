package com.quorindel.veltrane.bench.credentials;

/** A native method shaped like g201 that only makes a 7-character string. */
final class CredentialFloor {
    private CredentialFloor() {}

    static native String text7(String ignored);
}
