package com.quorindel.veltrane.E.A;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class A {
    private A() {}

    public static native float g501(byte[] samples, int count);
}
