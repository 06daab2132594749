#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: the data tests once on
# SQLite and once on a private PostgreSQL server started here (PARVELL_TEST_PG), stopped again
# whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

# The test server: a cluster of its own in a temporary folder owned by postgres (initdb refuses
# root), reached only through a Unix socket in that folder; no durability needed.
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
server=""
stop_server() {
  if [ -n "$server" ]; then
    runuser -u postgres -- "$pg_bin/pg_ctl" -D "$server/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$server"
  fi
}
trap stop_server EXIT
if [ -n "$pg_bin" ] && [ "$(id -u)" = 0 ]; then
  server=$(mktemp -d /tmp/parvell-pg.XXXXXX)
  chown postgres "$server"
  runuser -u postgres -- "$pg_bin/initdb" -D "$server/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >/dev/null
  # One login that must give its password, for the tests of the password question.
  sed -i '1i local all parvell_password scram-sha-256' "$server/data/pg_hba.conf"
  runuser -u postgres -- "$pg_bin/pg_ctl" -D "$server/data" -l "$server/log" -w \
    -o "-k $server -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" start >/dev/null
  export PARVELL_TEST_PG="host=$server user=postgres dbname=postgres"
  echo "PostgreSQL test server: $PARVELL_TEST_PG"
else
  echo "No PostgreSQL test server (needs root and the postgresql package): the server runs are left out"
fi

cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
