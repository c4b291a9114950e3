# Warnings for the project's own code; third-party code keeps its defaults.
function(gaugelet_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow -Werror)
endfunction()
