// The Java twin of bench/bench_gc.cpp: the same binary-trees workload, timed
// inside the process so that JVM start-up is left out, as boot is on our side.
//
//   java -XX:+UseSerialGC BinaryTrees [depth]
public final class BinaryTrees {
    private static final int MIN_DEPTH = 4;

    private static final class TreeNode {
        final TreeNode left;
        final TreeNode right;

        TreeNode(TreeNode left, TreeNode right) {
            this.left = left;
            this.right = right;
        }

        int itemCheck() {
            if (left == null) return 1;
            return 1 + left.itemCheck() + right.itemCheck();
        }

        static TreeNode bottomUp(int depth) {
            if (depth <= 0) return new TreeNode(null, null);
            TreeNode l = bottomUp(depth - 1);
            TreeNode r = bottomUp(depth - 1);
            return new TreeNode(l, r);
        }
    }

    public static void main(String[] args) {
        int maxDepth = args.length > 0 ? Integer.parseInt(args[0]) : 16;
        maxDepth = Math.max(MIN_DEPTH + 2, maxDepth);

        long started = System.nanoTime();
        TreeNode longLived = TreeNode.bottomUp(maxDepth);
        for (int depth = MIN_DEPTH; depth <= maxDepth; depth += 2) {
            int iterations = 1 << (maxDepth - depth + MIN_DEPTH);
            int check = 0;
            for (int i = 0; i < iterations; ++i) check += TreeNode.bottomUp(depth).itemCheck();
            System.out.println(iterations + "\t trees of depth " + depth + "\t check: " + check);
        }
        System.out.println("long lived tree of depth " + maxDepth + "\t check: " + longLived.itemCheck());
        double timeMs = (System.nanoTime() - started) / 1e6;
        System.out.println(String.format(java.util.Locale.ROOT, "java: time_ms=%.1f", timeMs));
    }
}
