# Shared by the install and package checks: the files an install holds, and failing.

# fail MESSAGE: reports and ends the check.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expected_files BINDIR: every file an install puts under its prefix, sorted; the
# metainfo's name is written as ID.metainfo.xml.
expected_files() {
  {
    echo "$1/blackjack"
    echo "share/applications/blackjack.desktop"
    echo "share/doc/blackjack/changelog.gz"
    echo "share/doc/blackjack/copyright"
    for size in 16 32 48 64 128 256; do
      echo "share/icons/hicolor/${size}x${size}/apps/blackjack.png"
    done
    echo "share/man/man6/blackjack.6.gz"
    echo "share/metainfo/ID.metainfo.xml"
  } | LC_ALL=C sort
}

# installed_files ROOT: the files under ROOT in the same form.
installed_files() {
  (cd "$1" && find . -type f | sed 's|^\./||; s|^share/metainfo/.*\.metainfo\.xml$|share/metainfo/ID.metainfo.xml|') |
    LC_ALL=C sort
}
