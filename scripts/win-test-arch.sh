#!/bin/bash
# Which Windows tree can run its tests here: i686 where the machine runs 32-bit programs (and
# so 32-bit Wine), x86_64 where it runs 64-bit user code only.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
