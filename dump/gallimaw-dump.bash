# bash completion for gallimaw-dump: its options, the values they take,
# folders where a folder is wanted and files elsewhere.

_gallimaw_dump_options="--format= --type= --recursive --image --carve --carve=all --device= --kind= --mixed
    --timezone= --list --hash= --output= --quiet --verbose --help --version"

# The words of a comma-separated list, completed after its last comma.
_gallimaw_dump_list()
{
    local done=${cur%"${cur##*,}"}
    COMPREPLY=($(compgen -P "$done" -W "$1" -- "${cur##*,}"))
    compopt -o nospace
}

_gallimaw_dump()
{
    local cur=${COMP_WORDS[COMP_CWORD]} option=${COMP_WORDS[COMP_CWORD-1]}
    # bash splits --format=csv at '=': the option is then one word further back.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $option == = ]]; then
        option=${COMP_WORDS[COMP_CWORD-2]}
    else
        case $cur in
            -*) COMPREPLY=($(compgen -W "$_gallimaw_dump_options" -- "$cur"))
                [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace
                return ;;
        esac
    fi
    case $option in
        -f|--format) COMPREPLY=($(compgen -W "csv jsonl table bodyfile timesketch row" -- "$cur")) ;;
        -t|--type) _gallimaw_dump_list "url leak redr" ;;
        -k|--kind) _gallimaw_dump_list "cache cookies history" ;;
        --hash) _gallimaw_dump_list "md5 sha1 sha256" ;;
        -d|--device|-r|--recursive) COMPREPLY=($(compgen -d -- "$cur")); compopt -o filenames ;;
        --timezone) COMPREPLY=($(cd "${TZDIR:-/usr/share/zoneinfo}" 2>/dev/null && compgen -f -- "$cur")) ;;
        *) COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames ;;
    esac
}
complete -F _gallimaw_dump gallimaw-dump
