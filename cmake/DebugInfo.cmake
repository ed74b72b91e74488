# qp_separate_debug_info(<target>), called in the target's own folder: a shipped binary
# keeps its debug information in a file beside it (NAME.exe.debug, found through the
# binary's debug link), not in the binary. Wine reads every section of an image when it
# loads it: the DWARF sections were 12 MB of Quillpad.exe's 14, and about 28 ms of its
# start-up.
function(qp_separate_debug_info target)
  set(file $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=${file}.debug ${file}
    VERBATIM)
endfunction()
