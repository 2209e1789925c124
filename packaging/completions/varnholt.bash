# bash completion for varnholt                                  -*- shell-script -*-

_varnholt()
{
    local cur prev words cword
    _init_completion || return

    local global_opts="--home --source --password-file --help -h --version"
    local commands="sources voice-memos messages notes convert"

    # The subcommand is the first word that is neither an option nor an option's value.
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --home | --source | --password-file) ((i++)) ;;
            -*) ;;
            *)
                command=${words[i]}
                break
                ;;
        esac
    done

    case $prev in
        --home | --source | --out | --html)
            _filedir -d
            return
            ;;
        --vcard)
            _filedir vcf
            return
            ;;
        --password-file)
            _filedir
            return
            ;;
        --limit | --since | --until | --chat)
            return
            ;;
        --format)
            local formats
            case $command in
                convert) formats="md markdown pdf rtf txt" ;;
                notes) formats="html md pdf rtf txt json" ;;
            esac
            # Formats are separated by commas: complete the one after the last comma.
            local done_part="" current=$cur
            if [[ $cur == *,* ]]; then
                done_part=${cur%,*},
                current=${cur##*,}
            fi
            local f
            COMPREPLY=()
            for f in $formats; do
                [[ $f == "$current"* ]] && COMPREPLY+=("$done_part$f")
            done
            compopt -o nospace
            return
            ;;
    esac

    local opts
    case $command in
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$global_opts" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            fi
            return
            ;;
        sources) opts="--help" ;;
        voice-memos) opts="--out --dry-run --name-by-title --limit --password-file --help" ;;
        messages) opts="--out --dry-run --limit --contacts --vcard --since --until --chat --password-file --help" ;;
        notes) opts="--out --fast --format --dry-run --limit --password-file --help" ;;
        convert) opts="--html --out --format --limit --dry-run --help" ;;
        *) return ;;
    esac
    COMPREPLY=($(compgen -W "$opts" -- "$cur"))
} &&
    complete -F _varnholt varnholt

# ex: filetype=sh
