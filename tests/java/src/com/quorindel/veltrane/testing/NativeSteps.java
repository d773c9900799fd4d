package com.quorindel.veltrane.testing;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;

/**
 * Main class for child JVMs (see ChildJvm): runs its arguments in order in the working
 * directory and prints one line per step.
 *
 * <ul>
 *   <li>{@code load}: System.loadLibrary("VeltraneWin32DLL"), called directly, every time;
 *   <li>{@code load-file PATH}: System.load(PATH), the library under another path name;
 *   <li>{@code append TEXT}: appends TEXT to log/VeltraneDll.log behind the library's back.
 * </ul>
 *
 * Exits 0 after the last step (the JVM's normal exit, which detaches the library), 2 on a
 * bad argument.
 */
public final class NativeSteps {
    private NativeSteps() {}

    public static void main(String[] args) throws IOException {
        for (int i = 0; i < args.length; ++i) {
            switch (args[i]) {
                case "load" -> {
                    System.loadLibrary(Natives.LIBRARY);
                    System.out.println("loaded " + Natives.LIBRARY);
                }
                case "load-file" -> {
                    String path = args[++i];
                    System.load(path);
                    System.out.println("loaded " + path);
                }
                case "append" -> {
                    Files.writeString(Path.of("log", "VeltraneDll.log"), args[++i],
                                      StandardCharsets.ISO_8859_1, StandardOpenOption.APPEND);
                    System.out.println("appended to the log");
                }
                default -> {
                    System.out.println("unknown step " + args[i]);
                    System.exit(2);
                }
            }
        }
    }
}
