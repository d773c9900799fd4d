package com.quorindel.veltrane.probe;

/** A reason the probe cannot report at all; its message is printed as it stands. */
public final class ProbeFailure extends Exception {
    private static final long serialVersionUID = 1L;

    public ProbeFailure(String message) {
        super(message);
    }
}
