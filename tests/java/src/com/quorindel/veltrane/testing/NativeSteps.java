package com.quorindel.veltrane.testing;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.List;

/**
 * Main class for child JVMs (see ChildJvm): runs its arguments in order in the working
 * directory and prints one line per step.
 *
 * <ul>
 *   <li>{@code load}: System.loadLibrary("VeltraneWin32DLL"), called directly, every time;
 *   <li>{@code load-file PATH}: System.load(PATH), the library under another path name;
 *   <li>{@code append TEXT}: appends TEXT to log/VeltraneDll.log behind the library's back;
 *   <li>{@code call CLASS METHOD ARGS... ;}: calls a native method through Natives (CLASS
 *       below com.quorindel.veltrane, e.g. J.D); an argument of digits is an int, any other
 *       a String; the arguments end at ";" or at the last argument. Prints
 *       {@code METHOD = RESULT} with strings quoted, one line per array element.
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
                case "call" -> {
                    String type = args[++i];
                    String name = args[++i];
                    List<Object> callArgs = new ArrayList<>();
                    while (i + 1 < args.length && !args[i + 1].equals(";")) {
                        String a = args[++i];
                        callArgs.add(a.matches("-?[0-9]+") ? (Object) Integer.valueOf(a) : a);
                    }
                    if (i + 1 < args.length) ++i;  // the ";"
                    print(name, Natives.call(type, name, callArgs.toArray()));
                }
                default -> {
                    System.out.println("unknown step " + args[i]);
                    System.exit(2);
                }
            }
        }
    }

    private static void print(String name, Object result) {
        if (result instanceof String[] list) {
            System.out.println(name + " = String[" + list.length + "]");
            for (String entry : list) System.out.println("  " + quoted(entry));
        } else if (result instanceof String text) {
            System.out.println(name + " = " + quoted(text));
        } else {
            System.out.println(name + " = " + result);
        }
    }

    private static String quoted(String text) {
        return text == null ? "null" : "\"" + text + "\"";
    }
}
