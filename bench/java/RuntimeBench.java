// The Java twin of bench/bench_runtime.cpp: the same three workloads on
// java.lang.StringBuffer, java.util.Hashtable and java.util.Vector, each timed
// inside the process so that JVM start-up is left out, as boot is on our side.
//
//   java -XX:+UseSerialGC RuntimeBench [count [agedRuns]]
//
// With agedRuns, the hashtable workload runs that many times instead, each
// run's time printed, as bench_runtime --aged does.
import java.util.Hashtable;
import java.util.Locale;
import java.util.Vector;

public final class RuntimeBench {
    private static final int DISTINCT_KEYS = 65536;

    static int strings(int n) {
        int check = 0;
        for (int i = 0; i < n; ++i) {
            StringBuffer sb = new StringBuffer();
            sb.append("score ");
            sb.append(i);
            sb.append("/");
            sb.append(n);
            String s = sb.toString();
            check += s.length() + s.charAt(s.length() - 1);
        }
        return check;
    }

    static int hashtable(int n) {
        Hashtable<Object, Object> table = new Hashtable<>();
        for (int i = 0; i < n; ++i) table.put(Integer.valueOf(i & (DISTINCT_KEYS - 1)), Integer.valueOf(i));
        int check = table.size();
        for (int i = 0; i < n; ++i) check += table.get(Integer.valueOf((i * 7) & (DISTINCT_KEYS - 1))).hashCode();
        return check;
    }

    static int vector(int n) {
        Integer[] items = new Integer[16];
        for (int i = 0; i < 16; ++i) items[i] = Integer.valueOf(i * 3);
        Vector<Object> v = new Vector<>();
        for (int i = 0; i < n; ++i) v.addElement(items[i & 15]);
        int check = v.size();
        for (int i = 0; i < n; ++i) check += v.elementAt(i).hashCode();
        return check;
    }

    interface Workload {
        int run(int n);
    }

    static double timed(String name, Workload body, int n) {
        System.gc();
        long started = System.nanoTime();
        int check = body.run(n);
        double ms = (System.nanoTime() - started) / 1e6;
        System.out.println(name + " check: " + check);
        return ms;
    }

    public static void main(String[] args) {
        int n = args.length > 0 ? Integer.parseInt(args[0]) : 1000000;
        int aged = args.length > 1 ? Integer.parseInt(args[1]) : 0;
        if (aged > 0) {
            double first = 0, last = 0;
            for (int r = 1; r <= aged; ++r) {
                double ms = timed("hashtable", RuntimeBench::hashtable, n);
                System.out.println(String.format(Locale.ROOT, "aged run %d: hashtable_ms=%.1f", r, ms));
                if (r == 1) first = ms;
                last = ms;
            }
            System.out.println(String.format(Locale.ROOT, "java: aged_runs=%d first_ms=%.1f last_ms=%.1f aged_ratio=%.2f",
                    aged, first, last, last / first));
            return;
        }
        double stringsMs = timed("strings", RuntimeBench::strings, n);
        double hashtableMs = timed("hashtable", RuntimeBench::hashtable, n);
        double vectorMs = timed("vector", RuntimeBench::vector, n);
        System.out.println(String.format(Locale.ROOT, "java: strings_ms=%.1f hashtable_ms=%.1f vector_ms=%.1f",
                stringsMs, hashtableMs, vectorMs));
    }
}
