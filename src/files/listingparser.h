// Lines of a remote listing. The forms servers send for LIST and "NLST -alL":
//
//   drwxr-xr-x   2 ftp      ftp          4096 Mar 14 09:12 src            vsftpd, proftpd
//   -rw-r--r--   1 1000     1000       512000 Dec  1  2023 my file.txt    pure-ftpd, pyftpdlib
//   lrwxrwxrwx   1 root     root            7 Jan  2 03:04 latest -> v2.1
//   -rw-r--r--   1 owner            512 Jan  2 03:04 no-group.txt         no group column
//   -rw-r--r--+  1 ftp      ftp           5 Jan  2 03:04 acl.txt          ACL or SELinux mark
//   crw-rw----   1 root     tty        4,   1 Jan  1 12:00 tty1           major, minor
//   drwxr-xr-x 2 ftp ftp 4096  3月 14 09:12 src                             ls -l in ja_JP
//   -rw-r--r-- 1 ftp ftp 5120 3月 14日 2023 a.txt
//   -rw-r--r-- 1 ftp ftp 5120 14. Mär 2023  a.txt                           de_DE, day first
//   -rw-r--r-- 1 ftp ftp 5120 2023년  3월 14일 a.txt                        ko_KR, year first
//   -rw-r--r-- 1 ftp ftp 5120 2023-11-30 18:45 notes.txt                   --time-style=long-iso
//   -rw-r--r-- 1 ftp ftp 5120 2023-11-30  notes.txt                         --time-style=iso
//   03-14-23  09:12AM       <DIR>          src                              IIS, DOS style
//   11-30-2023  06:45PM                 5120 my notes.txt
//   total 24          合計 24          insgesamt 24                         summary lines
//
// and the fact lines of MLSD and MLST (RFC 3659):
//
//   type=file;size=5120;modify=20231130184500;UNIX.mode=0644; my notes.txt
//   modify=20230314091200;perm=el;size=4096;type=dir;unix.mode=0o755; src   pyftpdlib
//   type=OS.unix=slink:/srv/data;modify=20231130184500; data
#pragma once

#include <string_view>

#include "files/remotefileentry.h"

namespace tarnwick {

// What one line of a listing gave.
enum class ParsedLine {
    Entry,    // the entry was filled
    NoEntry,  // a line that names nothing to show: blank, "total 24", "." and "..", MLSD's
              // cdir and pdir
    Unparsed, // a line of no known form; the caller counts it and shows nothing for it
};

// Fills `entry` from one LIST line (a CR at its end is dropped). The name is plain, a
// directory not yet bracketed, and keeps its blanks; a link's "name -> target" gives the name,
// with isLink set and the target in linkTarget. `entry` is overwritten field by field, so
// reusing one entry for every line of a listing reuses its text buffers.
[[nodiscard]] ParsedLine ParseListingLine(std::string_view line, RemoteFileEntry& entry);

// Fills `entry` from one MLSD line, or from the entry line of an MLST reply (which starts
// with one blank): facts, one blank, the name. The name keeps its blanks and semicolons.
// Directories give "----" as their size, the permissions come from UNIX.mode, the date from
// modify.
[[nodiscard]] ParsedLine ParseMlsdLine(std::string_view line, RemoteFileEntry& entry);

// True when the line is one of ParseListingLine's long forms (Unix or DOS). Tells a long
// listing from a list of bare names.
[[nodiscard]] bool IsLongListingLine(std::string_view line);

} // namespace tarnwick
