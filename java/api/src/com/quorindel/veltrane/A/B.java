package com.quorindel.veltrane.A;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class B {
    private B() {}

    public static native String g110(int code);
}
