package com.quorindel.veltrane.D;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class B {
    private B() {}

    public static native String g102(int code);
}
