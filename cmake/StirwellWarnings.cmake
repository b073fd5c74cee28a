# Warnings are errors in our own code; Qt and other imported targets come in
# as system headers and are not affected.
function(stirwell_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wimplicit-fallthrough -Werror)
endfunction()
