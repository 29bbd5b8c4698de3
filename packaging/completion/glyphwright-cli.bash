# bash completion for glyphwright-cli: its commands, each command's options, the targets of
# -t, and the files each operand takes (.ico, .dll/.exe, folders).

_glyphwright_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="build images remove-images setup inspect extract convert"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
    -t | --target)
        COMPREPLY=($(compgen -W "x86 mips sh3 sh4 arm ppc" -- "$cur"))
        return
        ;;
    -o | --output)
        case $command in
        build) _filedir dll ;;
        extract) _filedir -d ;;
        *) _filedir ico ;;
        esac
        return
        ;;
    --dll)
        _filedir dll
        return
        ;;
    --sizes)
        COMPREPLY=($(compgen -W "16,32 16 32 48" -- "$cur"))
        return
        ;;
    --depths)
        COMPREPLY=($(compgen -W "4,8 1 4 8" -- "$cur"))
        return
        ;;
    --keep | --extension | --cab-timeout | --group | --max-output)
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        local options="--help"
        case $command in
        build) options+=" -t --target --all-targets -o" ;;
        remove-images) options+=" --keep -o" ;;
        setup) options+=" --dll --extension --cab-timeout" ;;
        extract) options+=" -o --group --max-output" ;;
        convert) options+=" -o --sizes --depths --no-dither --standard-palette" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $command in
    build | images | remove-images) _filedir ico ;;
    setup)
        # The setup directory first, then the icon files.
        local i operands=0
        for ((i = 2; i < cword; i++)); do
            [[ ${words[i]} != -* && ${words[i - 1]} != --@(dll|extension|cab-timeout) ]] &&
                ((operands++))
        done
        if ((operands == 0)); then _filedir -d; else _filedir ico; fi
        ;;
    inspect | extract) _filedir '@(dll|exe|DLL|EXE|cpl|ocx|mui)' ;;
    convert) _filedir '@(png|bmp|ico|PNG|BMP|ICO)' ;;
    esac
} &&
    complete -F _glyphwright_cli glyphwright-cli

# The window program takes icon files.
_glyphwright() {
    local cur prev words cword
    _init_completion || return
    _filedir ico
} &&
    complete -F _glyphwright glyphwright
