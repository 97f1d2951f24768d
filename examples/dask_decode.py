"""Decode a folder of PDF417 pictures on many machines with Dask distributed.

One task decodes one batch of files; the results come back as a table of (path, status, bytes),
in the order of the paths.

    python3 examples/dask_decode.py FOLDER                              # local cluster, 1 worker per core
    python3 examples/dask_decode.py FOLDER --scheduler tcp://host:8786  # an existing cluster

On a real cluster every worker must import the pdf417 package (`pip install` or `cmake --install`
on each machine, or the build folder's python/ on a shared PYTHONPATH) and read the files under the same path (a shared
file system). Each worker process decodes one batch per thread: the module releases Python's
lock while it decodes.
"""
import argparse
import os
import sys

from dask.distributed import Client, LocalCluster

SUFFIXES = (".bmp", ".png", ".jpg", ".jpeg")


def decode_batch(paths):
    """Runs on a worker: the (path, status, bytes) rows of one batch of files."""
    import pdf417

    rows = []
    for path, results in zip(paths, pdf417.decode_many(paths, jobs=1)):
        if results:
            rows.append((path, results[0].status.name, results[0].bytes))
        else:  # nothing decoded: the reason
            rows.append((path, results.error.status.name, b""))
    return rows


def list_pictures(folder):
    paths = []
    for root, _dirs, files in os.walk(folder):
        paths += [os.path.join(root, f) for f in files if f.lower().endswith(SUFFIXES)]
    return sorted(paths)


def decode_folder(client, folder, batch_size=50):
    """Decodes every picture under folder on the cluster behind client; returns the table."""
    paths = list_pictures(folder)
    batches = [paths[i : i + batch_size] for i in range(0, len(paths), batch_size)]
    table = []
    for rows in client.gather(client.map(decode_batch, batches)):
        table += rows
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="local worker processes")
    parser.add_argument("--batch", type=int, default=50, help="files per task")
    args = parser.parse_args()

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, dashboard_address=None)
        client = Client(cluster)
    with client:
        table = decode_folder(client, args.folder, args.batch)
    failed = 0
    for path, status, data in table:
        failed += status != "DECODED"
        print(f"{path}\t{status}\t{data.decode('utf-8', 'backslashreplace')}")
    print(f"{len(table)} files, {len(table) - failed} decoded", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
