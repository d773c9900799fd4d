package com.quorindel.veltrane;

// Compiled on its own: javac refuses this class next to the package com.quorindel.veltrane.E.

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class E {
    private E() {}

    public static native String g101(int code);
}
