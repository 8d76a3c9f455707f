# Writes the desktop entry at install time, naming the installed program by
# its full path so the entry works even when the prefix is not on PATH.
# Expects VOLTMERE_ENTRY_TEMPLATE, VOLTMERE_BINDIR and VOLTMERE_DATADIR.

set(entry_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${VOLTMERE_DATADIR}/applications")
set(binary "${CMAKE_INSTALL_PREFIX}/${VOLTMERE_BINDIR}/voltmere")

# Quoted only when it has to be: simple launchers (xdg-open without a
# desktop) split the Exec line on spaces and do not undo quoting. Inside
# quotes the desktop-entry rules want ", `, $ and \ escaped with a backslash.
if(binary MATCHES "^[A-Za-z0-9/._+-]+$")
  set(exec "${binary}")
else()
  string(REGEX REPLACE "([\\\"`$])" "\\\\\\1" escaped "${binary}")
  set(exec "\"${escaped}\"")
endif()

file(READ "${VOLTMERE_ENTRY_TEMPLATE}" entry)
string(REPLACE "@VOLTMERE_EXEC@" "${exec}" entry "${entry}")
file(MAKE_DIRECTORY "${entry_dir}")
message(STATUS "Installing: ${entry_dir}/voltmere.desktop")
file(WRITE "${entry_dir}/voltmere.desktop" "${entry}")
