package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class H {
    private H() {}

    public static native String g105(int code);
}
