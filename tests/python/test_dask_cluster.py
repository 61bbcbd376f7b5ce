"""A real distributed run: a Dask scheduler and two worker processes on
127.0.0.1 (free ports chosen by the system), the lines of a generated
corpus detected through a Dask bag with the Python module, every answer
equal to detect --lines. The cluster is torn down however the test ends."""
import os

import dask.bag
from dask.distributed import Client, LocalCluster

from conftest import cli_lines, corpus_lines
from corpus import corpus
from lines_on_workers import answer_lines


def test_a_dask_bag_answers_as_detect_lines(cli, starter_db, tmp_path):
    data = corpus(3000, 35)
    lines = corpus_lines(data)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      host="127.0.0.1", scheduler_port=0,
                      dashboard_address=None, local_directory=str(tmp_path),
                      silence_logs=40) as cluster, \
            Client(cluster) as client:
        workers = client.scheduler_info()["workers"]
        assert len(workers) == 2
        assert all(address.startswith("tcp://127.0.0.1:")
                   for address in workers)
        bag = dask.bag.from_sequence(lines, npartitions=12)
        answers = bag.map_partitions(answer_lines, starter_db).compute()
        # Both workers took part.
        ran = client.run(lambda: os.getpid())
        assert len(set(ran.values())) == 2
    assert answers == cli_lines(cli, starter_db, data)
