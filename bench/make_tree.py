"""Makes a synthetic folder tree: FOLDERS folders two levels deep, FILES files in each,
file sizes spread from 0 bytes to a few megabytes (sparse, so they take no room)."""
import os
import random
import sys

root, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
done = os.path.join(root, ".complete")
if os.path.exists(done):
    sys.exit(0)

random.seed(42)
top = max(1, int(folders ** 0.5))
made = 0
for i in range(top):
    for j in range((folders + top - 1) // top):
        if made == folders:
            break
        folder = os.path.join(root, f"dir{i:03d}", f"sub{j:04d}")
        os.makedirs(folder, exist_ok=True)
        for k in range(per_folder):
            path = os.path.join(folder, f"file_{k:05d}_{random.randrange(1 << 30):08x}.dat")
            with open(path, "wb") as f:
                f.truncate(random.choice((0, 17, 1023, 4096, 150000, 3 << 20)))
        made += 1
open(done, "w").close()
print(f"tree: {root} ({folders} folders, {folders * per_folder} files)", file=sys.stderr)
