// The Java twin of bench/bench_threads.cpp: two threads pass a token with
// wait and notify under one monitor, then two threads contend for one
// monitor, yielding after each hold. Each workload runs once short, for the
// compiler, then timed.
//
//   java ThreadHandoff [passes] [rounds]
import java.util.Locale;

public final class ThreadHandoff {
    private static final class Token {
        int turn;
        int passes;
        int limit;
    }

    private static final class Counter {
        int count;
        int last = -1;
        int handoffs;
        int ready;
    }

    private static double passTokens(int passes) throws InterruptedException {
        final Token token = new Token();
        token.limit = passes;
        Thread[] threads = new Thread[2];
        for (int i = 0; i < 2; i++) {
            final int me = i;
            threads[i] = new Thread(() -> {
                synchronized (token) {
                    try {
                        for (;;) {
                            while (token.turn != me && token.passes < token.limit) token.wait();
                            if (token.passes >= token.limit) break;
                            token.turn = 1 - me;
                            token.passes++;
                            token.notify();
                        }
                    } catch (InterruptedException e) {
                        throw new RuntimeException(e);
                    }
                    token.notifyAll();
                }
            });
        }
        long started = System.nanoTime();
        for (Thread t : threads) t.start();
        for (Thread t : threads) t.join();
        double ms = (System.nanoTime() - started) / 1e6;
        if (token.passes != passes) throw new IllegalStateException(token.passes + " passes");
        return ms;
    }

    private static double contend(int rounds, Counter counter) throws InterruptedException {
        Thread[] threads = new Thread[2];
        for (int i = 0; i < 2; i++) {
            final int me = i;
            threads[i] = new Thread(() -> {
                // Both start together: otherwise the first may be done before
                // the second has begun.
                synchronized (counter) {
                    counter.ready++;
                    counter.notifyAll();
                    try {
                        while (counter.ready < 2) counter.wait();
                    } catch (InterruptedException e) {
                        throw new RuntimeException(e);
                    }
                }
                for (int r = 0; r < rounds; r++) {
                    synchronized (counter) {
                        counter.count++;
                        if (counter.last != me) {
                            counter.handoffs++;
                            counter.last = me;
                        }
                    }
                    Thread.yield();
                }
            });
        }
        long started = System.nanoTime();
        for (Thread t : threads) t.start();
        for (Thread t : threads) t.join();
        double ms = (System.nanoTime() - started) / 1e6;
        if (counter.count != 2 * rounds) throw new IllegalStateException("count " + counter.count);
        return ms;
    }

    public static void main(String[] args) throws InterruptedException {
        int passes = args.length > 0 ? Integer.parseInt(args[0]) : 200000;
        int rounds = args.length > 1 ? Integer.parseInt(args[1]) : 1000000;

        passTokens(passes / 10 + 1);
        contend(rounds / 10 + 1, new Counter());

        double ms = passTokens(passes);
        System.out.println(String.format(Locale.ROOT, "java: pingpong handoffs=%d time_ms=%.1f handoffs_per_s=%.0f",
                passes, ms, passes * 1000.0 / ms));
        Counter counter = new Counter();
        ms = contend(rounds, counter);
        System.out.println(String.format(Locale.ROOT,
                "java: contention holds=%d handoffs=%d time_ms=%.1f handoffs_per_s=%.0f",
                2L * rounds, counter.handoffs, ms, counter.handoffs * 1000.0 / ms));
    }
}
