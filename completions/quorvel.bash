# bash completion for quorvel(1)

_quorvel() {
    local cur prev words cword
    _init_completion -s || return

    case $prev in
        --text)
            COMPREPLY=($(compgen -W 'include separate ignore' -- "$cur"))
            return
            ;;
        --symbols)
            COMPREPLY=($(compgen -W 'truetype standard' -- "$cur"))
            return
            ;;
        -d | --output-dir | --recover)
            _filedir -d
            return
            ;;
        -o | --output)
            _filedir '@(mif|MIF)'
            return
            ;;
        --preview)
            _filedir '@(png|PNG)'
            return
            ;;
        -j | --jobs)
            COMPREPLY=($(compgen -W "0 $(seq -s ' ' 1 "$(nproc 2>/dev/null || echo 4)")" -- "$cur"))
            return
            ;;
        --landline-off | --strategi-layers | --preview-size)
            return
            ;;
        --help | --version)
            return
            ;;
    esac

    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-o --output -d --output-dir --separate --merge
            --overwrite -k --keep-going --text --symbols --network
            --meridian-heights --landline-off --strategi-layers -j --jobs
            -q --quiet --preview --preview-size --recover --version --help' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    _filedir '@(ntf|NTF|zip|ZIP|tar|TAR|tgz|TGZ|gz|GZ)'
} &&
    complete -F _quorvel quorvel
