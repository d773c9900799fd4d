package com.quorindel.veltrane.E.B;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class E {
    private E() {}

    public static native String g113(int code);
}
