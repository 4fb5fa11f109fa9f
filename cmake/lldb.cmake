# The debugger the crash tests read minidumps with: lldb-14 on Debian 12, lldb-19 on Debian 13.
# Debian 12's lldb prints a traceback on every run unless its Python module's folder is named in
# PYTHONPATH (VT_LLDB_PYTHONPATH, empty where the debugger finds its module by itself, as
# Debian 13's does).
find_program(VT_LLDB NAMES lldb-14 lldb-19 lldb REQUIRED)
get_filename_component(vt_lldb_program ${VT_LLDB} REALPATH)
get_filename_component(vt_llvm_bin ${vt_lldb_program} DIRECTORY)
file(GLOB VT_LLDB_PYTHONPATH ${vt_llvm_bin}/../lib/python3.*/dist-packages)
list(JOIN VT_LLDB_PYTHONPATH ":" VT_LLDB_PYTHONPATH)
