// Started as an application is: System.loadLibrary with no flag, then one native method.
public final class LoadsLibrary {
    public static void main(String[] args) {
        System.loadLibrary("VeltraneWin32DLL");
        System.out.println(com.quorindel.veltrane.J.D.g301(1));
    }
}
