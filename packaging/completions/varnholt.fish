# fish completion for varnholt

set -l commands sources voice-memos messages notes convert
set -l folders '(__fish_complete_directories (commandline -ct))'

function __varnholt_formats -a command
    switch $command
        case notes
            printf '%s\n' html md pdf rtf txt json
        case convert
            printf '%s\n' md markdown pdf rtf txt
    end
end

complete -c varnholt -f
complete -c varnholt -s h -l help -d 'Print help and exit'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version and exit'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -l home -x -a $folders -d 'Mac home folder to read'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -l source -x -a $folders -d 'Mac home folder to read'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -l password-file -r -F -d 'Passwords for locked notes and encrypted backups'

complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -a sources -d 'List the data sources and which have data'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -a voice-memos -d 'Copy the Voice Memos recordings'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -a messages -d 'Export the Messages conversations'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -a notes -d 'Export the Notes'
complete -c varnholt -n "not __fish_seen_subcommand_from $commands" -a convert -d 'Convert a folder of HTML notes'

complete -c varnholt -n "__fish_seen_subcommand_from voice-memos messages notes convert" -l out -x -a $folders -d 'Output folder'
complete -c varnholt -n "__fish_seen_subcommand_from voice-memos messages notes convert" -l limit -x -d 'Export at most N items'
complete -c varnholt -n "__fish_seen_subcommand_from voice-memos messages notes convert" -l dry-run -d 'Only count; write nothing'

complete -c varnholt -n "__fish_seen_subcommand_from messages" -l contacts -d 'Name conversations after the address book'
complete -c varnholt -n "__fish_seen_subcommand_from messages" -l vcard -r -F -d 'A .vcf file to look names up in (repeatable)'
complete -c varnholt -n "__fish_seen_subcommand_from messages" -l since -x -d 'Only messages from this day on (YYYY-MM-DD)'
complete -c varnholt -n "__fish_seen_subcommand_from messages" -l until -x -d 'Only messages up to this day (YYYY-MM-DD)'
complete -c varnholt -n "__fish_seen_subcommand_from messages" -l chat -x -d 'Only conversations matching this text (repeatable)'

complete -c varnholt -n "__fish_seen_subcommand_from voice-memos" -l name-by-title -d 'Name the copies by date and title'
complete -c varnholt -n "__fish_seen_subcommand_from voice-memos messages notes" -l password-file -r -F -d 'Passwords for locked notes and encrypted backups'
complete -c varnholt -n "__fish_seen_subcommand_from notes" -l fast -d 'Read the Notes database directly'
complete -c varnholt -n "__fish_seen_subcommand_from notes" -l format -x \
    -a '(__fish_complete_list , "__varnholt_formats notes")' -d 'Formats, comma-separated'

complete -c varnholt -n "__fish_seen_subcommand_from convert" -l html -x -a $folders -d 'Folder of HTML files'
complete -c varnholt -n "__fish_seen_subcommand_from convert" -l format -x \
    -a '(__fish_complete_list , "__varnholt_formats convert")' -d 'Formats, comma-separated'
