package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class G {
    private G() {}

    public static native String g106(int code);
}
